// The up-down spinner's steps.
#include "updown.h"

#include <QLineEdit>

UpDown::UpDown(QWidget *parent) : QAbstractSpinBox(parent)
{
    setButtonSymbols(UpDownArrows);
    lineEdit()->setReadOnly(true);
    setFocusPolicy(Qt::TabFocus);
}

void UpDown::setRange(int minimum, int maximum)
{
    m_min = minimum;
    m_max = maximum;
}

void UpDown::stepBy(int steps)
{
    // The handler sees every proposal, also one beyond the range, and decides.
    const int proposed = m_position + steps;
    if (!m_changing || m_changing(proposed))
        m_position = proposed;
}

QSize UpDown::sizeHint() const
{
    return QSize(17, 21);
}
