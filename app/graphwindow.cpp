// Graph window panel and drawing surface.
#include "graphwindow.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>

void NotifyingWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (onResize)
        onResize();
}

QString ElidedLabel::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(),
                          QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), shownText(), foregroundRole());
}

PaintBox::PaintBox(QWidget *parent) : QWidget(parent)
{
    // The renderer does not fill the surface: the panel's white shows through.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PaintBox::paintEvent(QPaintEvent *)
{
    if (!onPaint)
        return;
    QPainter painter(this);
    onPaint(painter);
}

GraphPanel::GraphPanel(QWidget *parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(BEVEL);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setAutoFillBackground(true);
}

void GraphPanel::setChildren(QWidget *infoPanel, QLabel *number, QLabel *info, QToolButton *close,
                             PaintBox *paintBox, QScrollBar *scrollBar)
{
    m_infoPanel = infoPanel;
    m_number = number;
    m_info = info;
    m_close = close;
    m_paintBox = paintBox;
    m_scrollBar = scrollBar;
    // Showing or hiding the scroll bar gives its room to the drawing surface or takes it.
    m_scrollBar->installEventFilter(this);
    placeChildren();
}

void GraphPanel::placeChildren()
{
    if (!m_paintBox)
        return;
    const int w = std::max(0, width() - 2 * BEVEL);
    const int h = std::max(0, height() - 2 * BEVEL);
    m_infoPanel->setGeometry(BEVEL, BEVEL, w, INFO_HEIGHT);
    const int numberWidth = m_number->sizeHint().width() + 4;
    m_number->setGeometry(2, 0, numberWidth, INFO_HEIGHT);
    m_close->setGeometry(w - BUTTON_SIZE - 2, (INFO_HEIGHT - BUTTON_SIZE) / 2, BUTTON_SIZE,
                         BUTTON_SIZE);
    m_info->setGeometry(2 + numberWidth, 0, std::max(0, w - numberWidth - BUTTON_SIZE - 6),
                        INFO_HEIGHT);
    const int scroll = m_scrollBar->isHidden() ? 0 : SCROLL_HEIGHT;
    m_scrollBar->setGeometry(BEVEL, BEVEL + h - SCROLL_HEIGHT, w, SCROLL_HEIGHT);
    m_paintBox->setGeometry(BEVEL, BEVEL + INFO_HEIGHT, w, std::max(0, h - INFO_HEIGHT - scroll));
}

void GraphPanel::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    placeChildren();
    if (onResize)
        onResize();
}

bool GraphPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_scrollBar &&
        (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent))
        placeChildren();
    return QFrame::eventFilter(watched, event);
}
