// The program's start-up around its application object. main() and the
// tests both run it, so that a window built by a test is laid out and
// numbered as the program's own.
#ifndef KESTRIX_STARTUP_H
#define KESTRIX_STARTUP_H

#include <QByteArray>

// Before the QApplication is built: what Qt reads only as it starts.
void start_up_before_application();

// Once the QApplication exists, before any window is built.
void start_up_application();

// The font DPI that lays text out at 96 dpi per scaled pixel, given the
// desktop's QT_SCREEN_SCALE_FACTORS; empty where the screens are scaled
// apart and the desktop's own font DPI has to stand.
QByteArray font_dpi_for_screen_scale_factors(const QByteArray &factors);

#endif // KESTRIX_STARTUP_H
