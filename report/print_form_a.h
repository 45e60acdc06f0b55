#ifndef KESTRIX_PRINT_FORM_A_H
#define KESTRIX_PRINT_FORM_A_H

#include <QDialog>

class QPrinter;
class Ui_print_form_a;

// The printed report page. Built, filled from the session and settings state
// and printed by its constructor; never shown.
class print_form_a : public QDialog
{
    Q_OBJECT

public:
    explicit print_form_a(QWidget *parent = nullptr);
    ~print_form_a() override;

    void print_report();
    // Draws the page onto one page of the printer, scaled to fit and centred.
    void render_page(QPrinter &printer);

private:
    void fill_header();
    void fill_results();

    Ui_print_form_a *ui;
};

#endif // KESTRIX_PRINT_FORM_A_H
