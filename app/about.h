// The About box: the program's name, its version, the maker's notice and logo.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QFrame;

// The program's version text, shown in the About box.
inline constexpr char PROGRAM_VERSION[] = "2.0.9";

class Form2 : public QDialog
{
    Q_OBJECT
public:
    // Created once at start-up with the main window as parent; kept hidden between showings.
    // The first showing is centred over the parent, later ones keep the last place.
    explicit Form2(QWidget *parent = nullptr);

    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QPushButton *OkButton;
    QFrame *Panel1;
    QWidget *Image1;

private:
    void FormCreate();
};

// About: shows the box modally; the result is ignored.
void A1Click(Form2 *form);
