#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

namespace Ui {
class Widget;
}

class QLabel;
class SpotFoldCircle;
class UpdateGuideWidget;
class WarningWidget;

// The program's only window: a frameless 960 x 540 form with its own title
// bar (logo, help, minimize and close), dragged by its background.
class Widget : public QWidget
{
    Q_OBJECT

public:
    explicit Widget(QWidget *parent = nullptr);
    ~Widget() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private slots:
    void on_button_minimize_clicked();
    void on_button_close_clicked();
    void onZemtarDeviceCount(int count);
    void comboBox_language_currentTextChanged(QString language);

private:
    void setupWindow();
    void returnToLinkPage();

    Ui::Widget *ui = nullptr;

    // Overlays over the central area, kept hidden until they slide in.
    UpdateGuideWidget *updateGuide = nullptr;
    WarningWidget *warningWidget = nullptr;

    // Busy indicator of the updating page, inside label_gif.
    SpotFoldCircle *loadingAnimation = nullptr;
    // The picture behind the link page.
    QLabel *backgroundLabel = nullptr;

    // A left press inside dragArea moves the window with the mouse.
    QRect dragArea;
    QPoint dragStartPos;
    bool dragging = false;

    int deviceCount = 0;
};
