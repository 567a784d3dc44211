#include "desktop/controlcenter/NewFencePopover.h"

#include "design/LiquidGlassPillButton.h"
#include "desktop/controlcenter/EnumPicker.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace mv {

namespace {

void setFieldText(QLineEdit& field, const QString& text)
{
    if (field.text() != text)
        field.setText(text);
}

} // namespace

NewFencePopover::NewFencePopover(DesignEnvironment* environment, QWidget* parent)
    : ControlCenterPopover(environment, heading, 340, parent)
{
    setObjectName(QStringLiteral("newFencePopover"));
    m_title = addField(titlePlaceholder);
    m_title->setObjectName(QStringLiteral("fenceTitleField"));
    m_kind = addPicker(kindPickerTitle);
    enumpicker::fill<FenceKind>(*m_kind);
    enumpicker::select(*m_kind, FenceKind::portal);
    m_tint = addPicker(tintPickerTitle);
    enumpicker::fill<FenceTintPalette>(*m_tint);
    enumpicker::select(*m_tint, FenceTintPalette::crystal);

    m_pathRow = new QWidget(this);
    auto* pathRow = new QHBoxLayout(m_pathRow);
    pathRow->setContentsMargins(0, 0, 0, 0);
    pathRow->setSpacing(8);
    auto* pathColumn = new QVBoxLayout();
    pathColumn->setContentsMargins(0, 0, 0, 0);
    m_path = addField(pathPlaceholder, pathColumn);
    m_path->setObjectName(QStringLiteral("portalPathField"));
    pathRow->addLayout(pathColumn, 1);
    m_chooseFolder = new LiquidGlassPillButton(environment, chooseFolderText, std::nullopt, FenceTintPalette::crystal,
                                               m_pathRow);
    m_chooseFolder->setObjectName(QStringLiteral("chooseFolderButton"));
    m_chooseFolder->setCompact(true);
    m_chooseFolder->action = [this] {
        if (onChooseFolder)
            onChooseFolder();
    };
    pathRow->addWidget(m_chooseFolder);
    column()->addWidget(m_pathRow);
    addButtonRow();

    connect(m_kind, &QComboBox::currentIndexChanged, this, &NewFencePopover::refreshPathRow);
    refreshPathRow();
}

QString NewFencePopover::title() const
{
    return m_title->text();
}

FenceKind NewFencePopover::kind() const
{
    return enumpicker::current(*m_kind, FenceKind::portal);
}

FenceTintPalette NewFencePopover::tint() const
{
    return enumpicker::current(*m_tint, FenceTintPalette::crystal);
}

QString NewFencePopover::portalPath() const
{
    return m_path->text();
}

void NewFencePopover::setTitle(const QString& title)
{
    setFieldText(*m_title, title);
}

void NewFencePopover::setKind(FenceKind kind)
{
    enumpicker::select(*m_kind, kind);
}

void NewFencePopover::setTint(FenceTintPalette tint)
{
    enumpicker::select(*m_tint, tint);
}

void NewFencePopover::setPortalPath(const QString& path)
{
    setFieldText(*m_path, path);
}

bool NewFencePopover::showsPathRow() const
{
    return !m_pathRow->isHidden();
}

void NewFencePopover::refreshPathRow()
{
    const bool shown = kind() == FenceKind::portal;
    if (showsPathRow() == shown)
        return;
    m_pathRow->setVisible(shown);
    if (isVisible())
        adjustSize();
}

} // namespace mv
