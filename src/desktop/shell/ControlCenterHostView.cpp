#include "desktop/shell/ControlCenterHostView.h"

#include "desktop/shell/MorvanteelAppRuntime.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>

namespace mv {

ControlCenterHostView::ControlCenterHostView(MorvanteelAppRuntime& runtime, QWidget* parent)
    : QWidget(parent)
    , m_runtime(runtime)
    , m_pages(new QListWidget(this))
    , m_pageTitle(new QLabel(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addWidget(m_pageTitle, 1);
    m_pages->setFixedWidth(220);
    m_pageTitle->setTextFormat(Qt::PlainText);
    m_pageTitle->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    for (const ControlCenterTab tab : allCases<ControlCenterTab>())
        m_pages->addItem(title(tab));

    connect(m_pages, &QListWidget::currentRowChanged, this, [this](int row) {
        const QList<ControlCenterTab> tabs = allCases<ControlCenterTab>();
        if (row >= 0 && row < tabs.size())
            m_runtime.setControlCenterTab(tabs.at(row));
    });
    connect(&m_runtime, &MorvanteelAppRuntime::controlCenterTabChanged, this, &ControlCenterHostView::showSelectedPage);
    showSelectedPage();
}

void ControlCenterHostView::showSelectedPage()
{
    const ControlCenterTab tab = m_runtime.controlCenterTab();
    const int row = int(allCases<ControlCenterTab>().indexOf(tab));
    if (m_pages->currentRow() != row)
        m_pages->setCurrentRow(row);
    m_pageTitle->setText(title(tab));
}

} // namespace mv
