// The widgets of one graph window: the white bevelled panel that lays out its info bar,
// drawing surface and scroll bar, and the drawing surface itself. Both only pass their events
// on to the main window's handlers.
#pragma once

#include <QFrame>
#include <QLabel>
#include <QWidget>
#include <functional>

class QScrollBar;
class QToolButton;

// A plain widget that reports its size changes (the main window's client area and graph area).
class NotifyingWidget : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
    std::function<void()> onResize;

protected:
    void resizeEvent(QResizeEvent *event) override;
};

// A one-line label that ends its text in an ellipsis where it does not fit; text() stays whole.
class ElidedLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;
    // The text as drawn at the label's present width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// Drawing surface of a graph window; painting is done by the handler given.
class PaintBox : public QWidget
{
    Q_OBJECT
public:
    explicit PaintBox(QWidget *parent = nullptr);
    std::function<void(QPainter &)> onPaint;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// Graph window panel: info bar along the top (20 pixels), scroll bar along the bottom
// (17 pixels, when shown) and the drawing surface between them, inside a 2-pixel bevel.
class GraphPanel : public QFrame
{
    Q_OBJECT
public:
    static constexpr int BEVEL = 2;
    static constexpr int INFO_HEIGHT = 20;
    static constexpr int SCROLL_HEIGHT = 17;
    static constexpr int BUTTON_SIZE = 16;

    explicit GraphPanel(QWidget *parent = nullptr);
    // Takes the children (already parented to the panel or its info bar) and places them.
    void setChildren(QWidget *infoPanel, QLabel *number, QLabel *info, QToolButton *close,
                     PaintBox *paintBox, QScrollBar *scrollBar);
    // Runs after every size change, once the children have their new places.
    std::function<void()> onResize;

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeChildren();

    QWidget *m_infoPanel = nullptr;
    QLabel *m_number = nullptr;
    QLabel *m_info = nullptr;
    QToolButton *m_close = nullptr;
    PaintBox *m_paintBox = nullptr;
    QScrollBar *m_scrollBar = nullptr;
};
