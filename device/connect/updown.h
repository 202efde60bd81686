// An up-down spinner without a text of its own: arrow buttons (and the Up/Down keys) that
// propose a new position to a changing handler, which allows or refuses it.
#pragma once

#include <QAbstractSpinBox>
#include <functional>

class UpDown : public QAbstractSpinBox
{
    Q_OBJECT
public:
    explicit UpDown(QWidget *parent = nullptr);

    void setRange(int minimum, int maximum);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    // Sets the position without asking the handler.
    void setPosition(int position) { m_position = position; }
    int position() const { return m_position; }
    // Decides a proposed new position: true allows it.
    void setChanging(std::function<bool(int newValue)> changing)
    {
        m_changing = std::move(changing);
    }

    void stepBy(int steps) override;
    QSize sizeHint() const override;

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

private:
    int m_min = 0;
    int m_max = 100;
    int m_position = 0;
    std::function<bool(int)> m_changing;
};
