#pragma once

#include <QWidget>

namespace clipvane {

// The progress window that stands in for the main window while a job runs.
class TForm2 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
};

} // namespace clipvane
