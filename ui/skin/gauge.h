#pragma once

#include <QWidget>

namespace clipvane {

// A skinned progress gauge: a whole number from 0 to 100 shown as a bar
// filled from the left in black, with the value and "%" centred over it.
class Gauge : public QWidget
{
    Q_OBJECT
public:
    explicit Gauge(QWidget* parent = nullptr);

    int progress() const { return m_progress; }
    // Values outside 0 to 100 become the nearest bound; the same value again
    // does not redraw. True when the value changed.
    bool setProgress(int value);

    // The text shown over the bar, as "47%".
    QString text() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_progress = 0;
};

} // namespace clipvane
