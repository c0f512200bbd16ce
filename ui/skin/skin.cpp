#include "ui/skin/skin.h"

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QStyleFactory>
#include <QWidget>

namespace clipvane {

void ApplySkin(QApplication& app)
{
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(style);
    QFont font(QString::fromLatin1(kSkinFontFamily));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(kSkinFontPixelSize);
    app.setFont(font);
}

void CentreOnScreen(QWidget* window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

bool ReachableOnAScreen(const QRect& frame)
{
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect on = frame.intersected(screen->availableGeometry());
        if (on.width() >= 50 && on.height() >= 20)
            return true;
    }
    return false;
}

void SkinWindow(QWidget* window)
{
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, QColor(176, 206, 241));
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::ButtonText, Qt::black);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
}

} // namespace clipvane
