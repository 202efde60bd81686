// The About box: the program's name, its version, the maker's notice and logo.
#include "about.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>

namespace {

// The logo picture: drawn from the SVG resource at any scale, centred, keeping its shape, on
// a transparent background.
class LogoImage : public QWidget
{
public:
    explicit LogoImage(QWidget *parent)
        : QWidget(parent), m_renderer(QStringLiteral(":/keldra/logo.svg"), this)
    {
        m_renderer.setAspectRatioMode(Qt::KeepAspectRatio);
        setAttribute(Qt::WA_TranslucentBackground);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        m_renderer.render(&painter, QRectF(rect()));
    }

private:
    QSvgRenderer m_renderer;
};

template <typename T> T *named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

Form2::Form2(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("About Keldra_data_viewer"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    setFont(font);
    setFixedSize(283, 196);

    Label1 = named(new QLabel(QStringLiteral("NIRS Data Viewer"), this), "Label1");
    QFont title = font;
    title.setBold(true);
    title.setPixelSize(19);
    Label1->setFont(title);
    Label1->setAlignment(Qt::AlignCenter);
    // Keep the design place; a wider substitute font grows the label about its centre.
    const int width = qMax(172, Label1->sizeHint().width());
    Label1->setGeometry(24 + 86 - width / 2, 24, width, 23);

    Label2 = named(new QLabel(QStringLiteral("for Kel-Dra Ver"), this), "Label2");
    Label2->move(125, 53);
    Label3 =
        named(new QLabel(QStringLiteral("Copyright (C) 2026 Kel-Dra Co., Ltd."), this), "Label3");
    Label3->move(26, 96);

    OkButton = named(new QPushButton(QStringLiteral("OK"), this), "OkButton");
    OkButton->setGeometry(192, 152, 75, 25);
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);

    Panel1 = named(new QFrame(this), "Panel1");
    Panel1->setGeometry(24, 125, 153, 52);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setAutoFillBackground(true);
    QPalette white = Panel1->palette();
    white.setColor(QPalette::Window, Qt::white);
    Panel1->setPalette(white);
    Image1 = named(new LogoImage(Panel1), "Image1");
    Image1->setGeometry(Panel1->contentsRect());

    FormCreate();
}

void Form2::FormCreate()
{
    Label2->setText(Label2->text() + QLatin1String(PROGRAM_VERSION));
    Label2->adjustSize();
    Label3->adjustSize();
}

void A1Click(Form2 *form)
{
    form->exec();
}
