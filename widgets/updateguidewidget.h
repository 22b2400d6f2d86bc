#pragma once

#include <QSize>
#include <QWidget>

class QAnimationStackedWidget;
class QPushButton;

namespace Ui {
class UpdateGuideWidget;
}

// The built-in help: five pages paged with two arrows and four dots, the
// page changes sliding sideways.
class UpdateGuideWidget : public QWidget
{
    Q_OBJECT

public:
    explicit UpdateGuideWidget(QWidget *parent);
    ~UpdateGuideWidget() override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void on_button_front_clicked();
    void on_button_next_clicked();
    void on_button0_clicked();
    void on_button1_clicked();
    void on_button2_clicked();
    void on_button3_clicked();
    void stackedWidgetAnimationFinished(int indexbefore, int indexcurrent);

private:
    void goToPage(int page);
    QPushButton *dotOf(int page) const;
    QWidget *page(int index) const;

    Ui::UpdateGuideWidget *ui;
    QSize m_pageSize;
    QAnimationStackedWidget *m_stack = nullptr;
    int m_currentIndex = 0;
    int m_targetIndex = 0;
    int m_shownPage = 0;
};
