#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QTimer>

class QPaintEvent;

// A toast: a frameless translucent window showing one line of text on a
// rounded rectangle. It stays one second (counted from construction), fades
// out over one second, then closes and deletes itself.
class BubblePopup : public QLabel
{
    Q_OBJECT

public:
    explicit BubblePopup(QWidget *parent);
    BubblePopup(const QString &text, QWidget *parent);

    void setMargins(int horizontal, int vertical);
    void setFontSize(int pointSize);
    void setTextColor(const QColor &color);
    void setBackgroundColor(const QColor &color);
    int displayTime() const;
    void showPopup(QWidget *anchor);

signals:
    void finished();

public slots:
    void setText(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;

private slots:
    void closeAnimation();

private:
    QFont m_font;
    int m_horizontalMargin = 0;
    int m_verticalMargin = 0;
    QTimer m_displayTimer;
    QColor m_textColor;
    QColor m_backgroundColor;
};
