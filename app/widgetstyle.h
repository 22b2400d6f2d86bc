#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace Ui {
class Widget;
}

// The window's pictures, palettes and style sheets, kept apart from its
// behaviour.
class WidgetStyle
{
public:
    // Styles the form of `window`; returns the picture label it puts behind
    // the link page.
    static QLabel *apply(Ui::Widget *ui, QWidget *window);
    // The progress bar with the chunk radius the progress has reached.
    static QString progressBarStyle(int chunkRadius);
};
