// A dark colour theme, as KDE, qt5ct and others hand it to every Qt program
// as the application palette: light text on a dark ground. The default
// palette comes back when the theme goes out of scope.
#ifndef KESTRIX_DARK_THEME_H
#define KESTRIX_DARK_THEME_H

#include <QApplication>
#include <QImage>
#include <QPalette>

class DarkTheme
{
public:
    // Qt derives the rest from the one colour: white text on a dark ground.
    DarkTheme() { QApplication::setPalette(QPalette(QColor(53, 53, 53))); }
    ~DarkTheme() { QApplication::setPalette(saved); }
    DarkTheme(const DarkTheme &) = delete;
    DarkTheme &operator=(const DarkTheme &) = delete;

private:
    const QPalette saved = QApplication::palette();
};

// Pixels that print as ink on white paper.
inline int inkPixels(const QImage &image)
{
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ink += qGray(image.pixel(x, y)) < 128;
    return ink;
}

#endif // KESTRIX_DARK_THEME_H
