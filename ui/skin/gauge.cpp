#include "ui/skin/gauge.h"

#include <QPainter>
#include <algorithm>

namespace clipvane {

Gauge::Gauge(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool Gauge::setProgress(int value)
{
    value = std::clamp(value, 0, 100);
    if (value == m_progress)
        return false;
    m_progress = value;
    update();
    return true;
}

QString Gauge::text() const
{
    return QString::number(m_progress) + QLatin1Char('%');
}

void Gauge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect frame = rect();
    painter.fillRect(frame, Qt::white);
    painter.setPen(QColor(64, 64, 64));
    painter.drawRect(frame.adjusted(0, 0, -1, -1));

    const QRect inner = frame.adjusted(1, 1, -1, -1);
    const int filled = inner.width() * m_progress / 100;
    const QRect bar(inner.left(), inner.top(), filled, inner.height());
    painter.fillRect(bar, Qt::black);

    // The text reads white on the bar and black beside it.
    painter.setFont(font());
    painter.setPen(Qt::black);
    painter.setClipRect(inner.adjusted(filled, 0, 0, 0));
    painter.drawText(inner, Qt::AlignCenter, text());
    painter.setPen(Qt::white);
    painter.setClipRect(bar);
    painter.drawText(inner, Qt::AlignCenter, text());
}

} // namespace clipvane
