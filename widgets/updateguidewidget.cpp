#include "updateguidewidget.h"
#include "ui_updateguidewidget.h"

#include "qanimationstackedwidget.h"

#include <QEvent>
#include <QIcon>
#include <QPalette>
#include <QTextBlockFormat>
#include <QTextCursor>

namespace {
const char *const dotOff = ":/res/dot.png";
const char *const dotLit = ":/res/dot-light.png";
}

UpdateGuideWidget::UpdateGuideWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::UpdateGuideWidget)
{
    ui->setupUi(this);

    QPalette pal = palette();
    pal.setBrush(QPalette::Window, QBrush(QColor("#1F2121")));
    setPalette(pal);
    setAutoFillBackground(true);

    QTextEdit *const edits[] = { ui->textEdit_0, ui->textEdit_1, ui->textEdit_2, ui->textEdit_3 };
    for (QTextEdit *edit : edits)
        edit->setReadOnly(true);

    setStyleSheet("QWidget {color:#FFFFFF;}QTextEdit {border:none;background:transparent;}"
                  "QPushButton{border:none;background:transparent;}");
    ui->label_headline->setStyleSheet("QLabel{color:#1FEF80;}");
    ui->button_front->setStyleSheet("QPushButton{border:none;background:transparent;}");
    ui->button_next->setStyleSheet("QPushButton{border:none;background:transparent;}");

    m_currentIndex = 0;
    m_targetIndex = 0;
    m_stack = new QAnimationStackedWidget(ui->stackedWidget);
    connect(m_stack, SIGNAL(sStackedWidgetAnimationFinished(int, int)), this,
        SLOT(stackedWidgetAnimationFinished(int, int)));
    m_stack->addWidget(ui->page_0);
    m_stack->addWidget(ui->page_1);
    m_stack->addWidget(ui->page_2);
    m_stack->addWidget(ui->page_3);
    m_stack->addWidget(ui->page_4);
    m_stack->setCurrentIndex(0);
    m_stack->setAnimationDuration(300);

    if (m_stack->currentIndex() == 0)
        ui->button_front->hide();

    ui->button_front->installEventFilter(this);
    ui->button_next->installEventFilter(this);
    ui->button0->installEventFilter(this);
    ui->button1->installEventFilter(this);
    ui->button2->installEventFilter(this);
    ui->button3->installEventFilter(this);

    for (int p = 1; p <= 4; ++p)
        dotOf(p)->hide();
    m_shownPage = 0;

    // Applied at the cursor only (no selection): it spaces out the heading.
    QTextBlockFormat blockFormat;
    blockFormat.setLineHeight(20, QTextBlockFormat::LineDistanceHeight);
    for (QTextEdit *edit : edits) {
        QTextCursor cursor = edit->textCursor();
        cursor.setBlockFormat(blockFormat);
        edit->setTextCursor(cursor);
    }
}

UpdateGuideWidget::~UpdateGuideWidget()
{
    delete ui;
}

QPushButton *UpdateGuideWidget::dotOf(int page) const
{
    switch (page) {
    case 1:
        return ui->button0;
    case 2:
        return ui->button1;
    case 3:
        return ui->button2;
    case 4:
        return ui->button3;
    default:
        return nullptr;
    }
}

QWidget *UpdateGuideWidget::page(int index) const
{
    return m_stack->widget(index);
}

void UpdateGuideWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_pageSize = ui->stackedWidget->geometry().size();
    m_stack->resize(m_pageSize);
    for (int i = 0; i < m_stack->count(); ++i)
        page(i)->resize(m_pageSize);
}

void UpdateGuideWidget::on_button_next_clicked()
{
    m_stack->setAnimationType(QAnimationStackedWidget::SlideLeft);
    m_currentIndex = m_stack->currentIndex();
    const int last = m_stack->count() - 1;
    if (m_currentIndex < last) {
        ui->button_front->show();
        m_targetIndex = m_currentIndex + 1;
        m_stack->StartStackedWidgetAnimation(m_currentIndex, m_targetIndex);
    }
    if (m_targetIndex == last) {
        m_currentIndex = last;
        ui->button_next->hide();
    }
}

void UpdateGuideWidget::on_button_front_clicked()
{
    m_stack->setAnimationType(QAnimationStackedWidget::SlideRight);
    m_currentIndex = m_stack->currentIndex();
    if (m_currentIndex > 0) {
        ui->button_next->show();
        m_targetIndex = m_currentIndex - 1;
        m_stack->StartStackedWidgetAnimation(m_currentIndex, m_targetIndex);
    }
    if (m_targetIndex == 0) {
        m_currentIndex = 0;
        ui->button_front->hide();
    }
}

void UpdateGuideWidget::goToPage(int p)
{
    const int n = m_stack->currentIndex();
    m_currentIndex = n;
    if (n > p) {
        m_targetIndex = p;
        m_stack->setAnimationType(QAnimationStackedWidget::SlideRight);
        m_stack->StartStackedWidgetAnimation(n, p);
    } else if (n >= 1 && n < p) {
        m_targetIndex = p;
        m_stack->setAnimationType(QAnimationStackedWidget::SlideLeft);
        m_stack->StartStackedWidgetAnimation(n, p);
    }
    ui->button_front->show();
    if (p == 4)
        ui->button_next->hide();
    else
        ui->button_next->show();
}

void UpdateGuideWidget::on_button0_clicked()
{
    goToPage(1);
}
void UpdateGuideWidget::on_button1_clicked()
{
    goToPage(2);
}
void UpdateGuideWidget::on_button2_clicked()
{
    goToPage(3);
}
void UpdateGuideWidget::on_button3_clicked()
{
    goToPage(4);
}

void UpdateGuideWidget::stackedWidgetAnimationFinished(int indexbefore, int indexcurrent)
{
    Q_UNUSED(indexbefore);
    m_shownPage = indexcurrent;
    if (indexcurrent == 0) {
        for (int p = 1; p <= 4; ++p) {
            dotOf(p)->hide();
            dotOf(p)->setIcon(QIcon(dotOff));
        }
        return;
    }
    for (int p = 1; p <= 4; ++p)
        dotOf(p)->show();
    if (indexcurrent < 1 || indexcurrent > 4)
        return;
    for (int p = 1; p <= 4; ++p)
        dotOf(p)->setIcon(QIcon(p == indexcurrent ? dotLit : dotOff));
}

bool UpdateGuideWidget::eventFilter(QObject *watched, QEvent *event)
{
    const bool enter = event->type() == QEvent::Enter;
    if (!enter && event->type() != QEvent::Leave)
        return QWidget::eventFilter(watched, event);

    if (watched == ui->button_front) {
        ui->button_front->setIcon(QIcon(enter ? ":/res/front.png" : ":/res/front-hover.png"));
        return true;
    }
    if (watched == ui->button_next) {
        ui->button_next->setIcon(QIcon(enter ? ":/res/next.png" : ":/res/next-hover.png"));
        return true;
    }
    for (int p = 1; p <= 4; ++p) {
        QPushButton *dot = dotOf(p);
        if (watched != dot)
            continue;
        if (enter)
            dot->setIcon(QIcon(dotLit));
        else if (m_shownPage != p)
            dot->setIcon(QIcon(dotOff));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
