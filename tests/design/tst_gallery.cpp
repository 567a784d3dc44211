#include "core/models/EnumTraits.h"
#include "design/DesignEnvironment.h"
#include "design/FenceChecklistListView.h"
#include "design/FenceHeaderView.h"
#include "design/FenceItemGridTile.h"
#include "design/FenceNoteEditorView.h"
#include "design/FenceRollUpPillView.h"
#include "design/FenceTabStripView.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassButton.h"
#include "design/LiquidGlassIconBadge.h"
#include "design/LiquidGlassPillButton.h"
#include "design/LiquidGlassSurfaceFrame.h"
#include "design/LiquidGlassSurfaceModifier.h"
#include "design/LiquidGlassWallpaperBackdrop.h"
#include "support/DesignTestSupport.h"

#include <QDir>
#include <QGridLayout>
#include <QtTest>

using namespace mv;
using namespace mv::testing;

// Renders every component in every tint, colour scheme and transparency variant to PNG files
// under the build folder's "gallery" directory, for people to look at. What is checked here is
// only that each picture was written and is not blank; the other tests check structure.
class GalleryTest final : public QObject {
    Q_OBJECT

private:
    QString m_directory;

    // One sheet per component, tint and variant: the component over a wallpaper backdrop,
    // inside a fence-like glass surface.
    void writeSheet(const QString& component, FenceTintPalette tint, DesignEnvironment& environment,
                    const std::function<QWidget*(QWidget*)>& build, QSize size)
    {
        LiquidGlassWallpaperBackdrop backdrop(&environment, WallpaperPreset::tahoeAurora);
        auto* surface = new LiquidGlassSurfaceFrame(&environment, &backdrop);
        surface->setModifier(liquidGlassSurface(tint, 20, 0.72, false, false, false));
        auto* layout = new QVBoxLayout(surface);
        layout->setContentsMargins(10, 10, 10, 10);
        layout->addWidget(build(surface));
        auto* outer = new QVBoxLayout(&backdrop);
        outer->setContentsMargins(24, 24, 24, 24);
        outer->addWidget(surface);
        layOut(backdrop, size + QSize(48, 48));
        const QImage image = renderOver(backdrop, Qt::black);
        const QString name = QStringLiteral("%1/%2-%3-%4-%5.png")
                                 .arg(m_directory, component, rawValue(tint),
                                      environment.isDark() ? QStringLiteral("dark") : QStringLiteral("light"),
                                      environment.reduceTransparency() ? QStringLiteral("opaque") : QStringLiteral("glass"));
        QVERIFY2(image.save(name), qPrintable(name));
        QVERIFY(QFileInfo(name).size() > 0);
        // Not blank: the picture has more than one colour.
        QVERIFY(image.pixel(2, 2) != image.pixel(image.width() / 2, image.height() / 2)
                || image.pixel(2, 2) != image.pixel(image.width() - 3, image.height() - 3));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_directory = QStringLiteral(MORVANTEEL_BUILD_DIR "/gallery");
        QVERIFY(QDir().mkpath(m_directory));
    }

    void everyComponentInEveryTintAndVariant()
    {
        for (const FenceTintPalette tint : allCases<FenceTintPalette>()) {
            for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
                for (const bool reduce : {false, true}) {
                    DesignEnvironment environment;
                    environment.setColorScheme(scheme);
                    environment.setReduceTransparency(reduce);

                    writeSheet(QStringLiteral("controls"), tint, environment, [&](QWidget* parent) {
                        auto* box = new QWidget(parent);
                        auto* grid = new QGridLayout(box);
                        auto* prominent = new LiquidGlassPillButton(&environment, QStringLiteral("整理"), QStringLiteral("sparkles"), tint, box);
                        prominent->setProminent(true);
                        grid->addWidget(prominent, 0, 0);
                        grid->addWidget(new LiquidGlassPillButton(&environment, QStringLiteral("文件管理器"), QStringLiteral("folder"), tint, box), 0, 1);
                        auto* compact = new LiquidGlassPillButton(&environment, QString(), QStringLiteral("plus"), tint, box);
                        compact->setCompact(true);
                        compact->setProminent(true);
                        grid->addWidget(compact, 0, 2);
                        grid->addWidget(new LiquidGlassBadge(&environment, QStringLiteral("12 项"), tint, std::nullopt, box), 1, 0);
                        grid->addWidget(new LiquidGlassBadge(&environment, QStringLiteral("8 字"), tint, QStringLiteral("text.alignleft"), box), 1, 1);
                        grid->addWidget(new LiquidGlassIconBadge(&environment, QStringLiteral("checklist"), tint, 30, box), 1, 2);
                        grid->addWidget(new LiquidGlassIconBadge(&environment, QStringLiteral("no.such.symbol"), tint, 30, box), 1, 3);
                        return box;
                    }, QSize(380, 110));

                    writeSheet(QStringLiteral("header"), tint, environment, [&](QWidget* parent) {
                        auto* box = new QWidget(parent);
                        auto* column = new QVBoxLayout(box);
                        column->setContentsMargins(0, 0, 0, 0);
                        for (const bool collapsed : {false, true}) {
                            auto* header = new FenceHeaderView(&environment, box);
                            header->setTitle(QStringLiteral("桌面收纳盒"));
                            header->setSymbolName(QStringLiteral("folder.badge.gearshape"));
                            header->setBadgeSummary(QStringLiteral("传送门"));
                            header->setTint(tint);
                            header->setPinned(true);
                            header->setLocked(collapsed);
                            header->setCollapsed(collapsed);
                            auto* more = new LiquidGlassButton(&environment);
                            more->setSymbolName(QStringLiteral("ellipsis"));
                            more->setFixedFrame(QSize(24, 24));
                            header->setTrailingActions(more);
                            column->addWidget(header);
                        }
                        auto* strip = new FenceTabStripView(&environment, box);
                        QList<FenceTab> tabs{makeTab(QStringLiteral("暂存桌面"), QStringLiteral("tray.full.fill")),
                                             makeTab(QStringLiteral("工作文档"), QStringLiteral("doc.text.fill")),
                                             makeTab(QStringLiteral("代码工程"), QStringLiteral("chevron.left.forwardslash.chevron.right"))};
                        strip->setTabs(tabs);
                        strip->setActiveTabID(tabs[1].id);
                        strip->setTint(tint);
                        strip->setOnAddTab([] {});
                        column->addWidget(strip);
                        return box;
                    }, QSize(420, 140));

                    writeSheet(QStringLiteral("notes"), tint, environment, [&](QWidget* parent) {
                        auto* box = new QWidget(parent);
                        auto* column = new QVBoxLayout(box);
                        auto* note = new FenceNoteEditorView(&environment, box);
                        note->setTint(tint);
                        note->setPlaceholder(QStringLiteral("写点什么…"));
                        note->setText(QStringLiteral("Ctrl+K 打开检索\nAlt+Space 透视桌面 🙂"));
                        column->addWidget(note);
                        auto* empty = new FenceNoteEditorView(&environment, box);
                        empty->setTint(tint);
                        empty->setPlaceholder(QStringLiteral("写点什么…"));
                        column->addWidget(empty);
                        return box;
                    }, QSize(360, 300));

                    writeSheet(QStringLiteral("checklist"), tint, environment, [&](QWidget* parent) {
                        auto* list = new FenceChecklistListView(&environment, parent);
                        list->setTint(tint);
                        list->setTasks({makeTask(QStringLiteral("整理本周会议纪要")),
                                        makeTask(QStringLiteral("给设计稿做最终走查，并同步到团队的共享文件夹里以便所有人查看"), false, true),
                                        makeTask(QStringLiteral("备份照片"), true)});
                        return list;
                    }, QSize(340, 260));

                    writeSheet(QStringLiteral("tiles"), tint, environment, [&](QWidget* parent) {
                        auto* box = new QWidget(parent);
                        auto* grid = new QGridLayout(box);
                        const auto tile = [&](int row, int column, FenceDisplayDensity density, bool selected, bool directory, double scale) {
                            auto* t = new FenceItemGridTile(&environment, box);
                            t->setTitle(directory ? QStringLiteral("工作文档") : QStringLiteral("苹果备忘录"));
                            t->setSubtitle(QStringLiteral("快速记录"));
                            t->setBadgeText(directory ? std::optional<QString>() : QStringLiteral("App"));
                            t->setSymbolName(directory ? QStringLiteral("folder.fill") : QStringLiteral("note.text"));
                            t->setTint(tint);
                            t->setDensity(density);
                            t->setIconScale(scale);
                            t->setPinned(!directory);
                            t->setSelected(selected);
                            t->setDirectory(directory);
                            grid->addWidget(t, row, column, 1, density == FenceDisplayDensity::grid ? 1 : 3);
                        };
                        tile(0, 0, FenceDisplayDensity::grid, false, false, 1.0);
                        tile(0, 1, FenceDisplayDensity::grid, true, false, 1.2);
                        tile(0, 2, FenceDisplayDensity::grid, false, true, 0.8);
                        tile(1, 0, FenceDisplayDensity::compactList, false, false, 1.0);
                        tile(2, 0, FenceDisplayDensity::compactList, true, true, 1.0);
                        return box;
                    }, QSize(360, 260));

                    writeSheet(QStringLiteral("pill"), tint, environment, [&](QWidget* parent) {
                        auto* box = new QWidget(parent);
                        auto* column = new QVBoxLayout(box);
                        auto fence = makeFence(QStringLiteral("高频启动台"),
                                               {makeTab(QStringLiteral("效率工具"), QStringLiteral("bolt.fill")),
                                                makeTab(QStringLiteral("研发文档"), QStringLiteral("globe"))}, tint);
                        fence.isPinned = true;
                        fence.isLocked = true;
                        auto* pill = new FenceRollUpPillView(&environment, box);
                        pill->setFence(fence);
                        pill->setOnSwitchTab([](const QUuid&) {});
                        column->addWidget(pill);
                        return box;
                    }, QSize(340, 70));
                }
            }
        }
    }
};

QTEST_MAIN(GalleryTest)
#include "tst_gallery.moc"
