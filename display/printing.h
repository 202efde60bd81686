// Printing the main window: the page rectangle, the window's picture, Print Setup and Print.
// The printout is the client area exactly as on screen, stretched onto one page.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

class QPrinter;
class QWidget;
class Prompts;

// Where the picture goes on the page: page is the printable area in device pixels, image the
// picture's size in pixels. The picture fills 80 % of the page in its limiting direction, keeps
// its aspect ratio and starts 10 % of the page width from the left and 10 % of the page height
// from the top; it is not centred. An empty page or image gives an empty rectangle.
QRect PrintTargetRect(const QSize &page, const QSize &image);

// The picture of a window's client area: everything below its menu bar (menuBar may be
// nullptr), drawn by the widgets' own paint code, in device pixels as on screen.
QImage CaptureClientArea(QWidget *window, QWidget *menuBar);

// The printer of the run: the platform's default printer with its default settings until
// Print Setup changes it. Needs the application object.
QPrinter &CurrentPrinter();

// Why printer cannot take a job, or an empty string when it can: no printer installed, or
// a file output without a file name.
QString PrinterProblem(const QPrinter &printer);

// One job of one page, without a document title: image stretched into PrintTargetRect of
// the printer's printable area. Returns an empty string on success, else the printing
// layer's error text; nothing is printed then.
QString PrintImage(QPrinter &printer, const QImage &image);

// Print Setup: the printer dialog through prompts on printer; with no printer installed the
// operator gets the printing layer's error instead. The dialog's result is ignored.
void PrinterSetup(QPrinter &printer, Prompts &prompts);

// Print: captures window below menuBar and prints it on printer at once; any failure of the
// printing layer reaches the operator through prompts as a platform error.
void PrintWindow(QWidget *window, QWidget *menuBar, QPrinter &printer, Prompts &prompts);
