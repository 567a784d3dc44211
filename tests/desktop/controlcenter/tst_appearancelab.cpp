#include "core/models/JsonCodec.h"
#include "core/store/support/StoreFixture.h"
#include "design/DesignEnvironment.h"
#include "design/FenceHeaderView.h"
#include "design/FenceItemGridTile.h"
#include "design/FenceRollUpPillView.h"
#include "design/GlassTextLabel.h"
#include "desktop/controlcenter/AppearanceLabTabView.h"
#include "desktop/controlcenter/BackupCardView.h"
#include "desktop/controlcenter/ControlCenterPages.h"
#include "desktop/controlcenter/ControlCenterView.h"
#include "desktop/controlcenter/FenceLabSectionView.h"
#include "desktop/controlcenter/GlobalPhysicsCardView.h"
#include "desktop/controlcenter/LabControls.h"
#include "desktop/controlcenter/QuickControlSwitch.h"
#include "desktop/shell/DesktopPanelManager.h"

#include <QComboBox>
#include <QDir>
#include <QtTest>

#include <memory>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

// A seeded store on a temporary folder and the appearance page over it, shown.
struct LabFixture : StoreFixture {
    std::unique_ptr<MorvanteelStore> store = makeStore();
    DesignEnvironment environment;
    std::unique_ptr<AppearanceLabTabView> page;

    explicit LabFixture(bool showPage = true)
    {
        if (showPage)
            open();
    }

    void open()
    {
        page = std::make_unique<AppearanceLabTabView>(*store, &environment, ControlCenterFileDialogs{});
        page->resize(1100, 900);
        page->show();
        if (!QTest::qWaitForWindowExposed(page.get()))
            qFatal("the appearance page was not exposed");
    }

    GlobalPhysicsCardView* global() const { return page->globalCard(); }
    FenceLabSectionView* lab() const { return page->fenceLab(); }

    FenceModel first() const { return store->activeFences().at(0); }
    FenceModel second() const { return store->activeFences().at(1); }
    FenceModel stored(const QUuid& id) const { return store->fence(id).value(); }

    // The first active fence with `change` made to its style, stored and saved.
    void restyle(const QUuid& id, const std::function<void(FenceStyleConfig&)>& change) const
    {
        FenceModel fence = stored(id);
        change(fence.style);
        store->updateFence(fence);
    }

    void setPreference(const std::function<void(GlobalPreferences&)>& change) const
    {
        GlobalPreferences preferences = store->preferences();
        change(preferences);
        QVERIFY(store->setPreferences(preferences));
        store->save();
    }

    void choosePickerRow(int row) const
    {
        QComboBox* picker = lab()->fencePicker();
        picker->setFocus();
        while (picker->currentIndex() < row)
            QTest::keyClick(picker, Qt::Key_Down);
        while (picker->currentIndex() > row)
            QTest::keyClick(picker, Qt::Key_Up);
    }
};

enum class LabLabel { gap, threshold, opacity, corner, iconScale, idle };

} // namespace

Q_DECLARE_METATYPE(LabLabel)

class AppearanceLabTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // -- what the controls show ------------------------------------------------------------

    void labelFormats_data()
    {
        // Points are the whole part, never rounded; fractions are percentages without places;
        // the scale has two places.
        QTest::addColumn<LabLabel>("label");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("gap at its least") << LabLabel::gap << 4.0 << u"磁吸间距 (4 pt)"_s;
        QTest::newRow("gap at its most") << LabLabel::gap << 32.0 << u"磁吸间距 (32 pt)"_s;
        QTest::newRow("gap between") << LabLabel::gap << 12.9 << u"磁吸间距 (12 pt)"_s;
        QTest::newRow("threshold at its most") << LabLabel::threshold << 30.0 << u"磁吸阈值 (30 pt)"_s;
        QTest::newRow("opacity at its least") << LabLabel::opacity << 0.35 << u"35%"_s;
        QTest::newRow("opacity at its most") << LabLabel::opacity << 1.0 << u"100%"_s;
        QTest::newRow("opacity neutral") << LabLabel::opacity << 0.72 << u"72%"_s;
        QTest::newRow("corner 10.7") << LabLabel::corner << 10.7 << u"10 pt"_s;
        QTest::newRow("icon scale at its most") << LabLabel::iconScale << 1.35 << u"1.35x"_s;
        QTest::newRow("icon scale neutral") << LabLabel::iconScale << 1.0 << u"1.00x"_s;
        QTest::newRow("idle opacity") << LabLabel::idle << 0.5 << u"50%"_s;
    }

    void labelFormats()
    {
        QFETCH(LabLabel, label);
        QFETCH(double, value);
        QFETCH(QString, text);

        LabFixture f;
        const QUuid id = f.first().id;
        f.setPreference([](GlobalPreferences& preferences) { preferences.chameleonGlobalEnabled = true; });
        GlassTextLabel* shown = nullptr;
        switch (label) {
        case LabLabel::gap:
            f.setPreference([value](GlobalPreferences& preferences) { preferences.snapGap = value; });
            shown = f.global()->gapLabel();
            break;
        case LabLabel::threshold:
            f.setPreference([value](GlobalPreferences& preferences) { preferences.snapThreshold = value; });
            shown = f.global()->thresholdLabel();
            break;
        case LabLabel::opacity:
            f.restyle(id, [value](FenceStyleConfig& style) { style.glassOpacity = value; });
            shown = f.lab()->opacityValue();
            break;
        case LabLabel::corner:
            f.restyle(id, [value](FenceStyleConfig& style) { style.cornerRadius = value; });
            shown = f.lab()->cornerValue();
            break;
        case LabLabel::iconScale:
            f.restyle(id, [value](FenceStyleConfig& style) { style.iconScale = value; });
            shown = f.lab()->iconScaleValue();
            break;
        case LabLabel::idle:
            f.restyle(id, [value](FenceStyleConfig& style) { style.idleOpacity = value; });
            shown = f.lab()->idleOpacityValue();
            break;
        }
        QCOMPARE(shown->text(), text);
    }

    // The snapping sliders stop at their ends in whole points: 4 and 32, 4 and 30.
    void snappingSlidersStopAtTheirEnds()
    {
        LabFixture f;
        LabSlider* gap = f.global()->gapSlider();
        LabSlider* threshold = f.global()->thresholdSlider();
        gap->setFocus();
        QTest::keyClick(gap, Qt::Key_End);
        QCOMPARE(f.store->preferences().snapGap, 32.0);
        QTest::keyClick(gap, Qt::Key_Home);
        QCOMPARE(f.store->preferences().snapGap, 4.0);
        QTest::keyClick(gap, Qt::Key_Right);
        QCOMPARE(f.store->preferences().snapGap, 5.0);
        QCOMPARE(f.global()->gapLabel()->text(), u"磁吸间距 (5 pt)"_s);
        threshold->setFocus();
        QTest::keyClick(threshold, Qt::Key_End);
        QCOMPARE(f.store->preferences().snapThreshold, 30.0);
        QCOMPARE(f.global()->thresholdLabel()->text(), u"磁吸阈值 (30 pt)"_s);
        const auto saved = decodeDocument(f.stateOnDisk());
        QCOMPARE(saved.value().preferences.snapGap, 5.0);
        QCOMPARE(saved.value().preferences.snapThreshold, 30.0);
    }

    // The texts name this desktop's key.
    void theTexts()
    {
        LabFixture f;
        QCOMPARE(f.page->titleLabel()->text(), u"外观与液态玻璃实验室"_s);
        QCOMPARE(f.global()->snappingSwitch()->text(), u"启用磁吸对齐（拖动时按住 Alt 可临时绕过）"_s);
        QCOMPARE(f.global()->chameleonSwitch()->text(), u"全局 Chameleon 闲置柔化淡出"_s);
        QCOMPARE(f.global()->autoTidySwitch()->text(), u"拖入文件后自动触发规则提示"_s);
        QCOMPARE(f.lab()->hoverUnrollSwitch()->text(), u"悬停卷起自动展开 (Hover Unroll)"_s);
        QCOMPARE(f.lab()->chameleonSwitch()->text(), u"单围栏 Chameleon 闲置隐退"_s);
        QCOMPARE(f.lab()->densityPicker()->titles(), (QStringList{u"图标网格"_s, u"紧凑列表"_s}));
        QCOMPARE(f.lab()->tintSwatch(FenceTintPalette::amber)->toolTip(), u"琥珀暖光"_s);
        QCOMPARE(f.global()->wallpaperSwatch(WallpaperPreset::midnightOcean)->toolTip(), u"深海夜幕"_s);
        QCOMPARE(f.lab()->sampleTile(0)->title(), u"设计稿.fig"_s);
        QCOMPARE(f.lab()->sampleTile(1)->title(), u"方案文档.md"_s);
        QCOMPARE(f.lab()->preview()->size(), QSize(360, 290));
        for (const QuickControlSwitch* control : f.page->findChildren<QuickControlSwitch*>())
            QVERIFY2(!control->text().contains(u"Option"_s) && !control->text().contains(u"Command"_s),
                     qPrintable(control->text()));
    }

    void theIdleRowFollowsTheFade_data()
    {
        // Shown exactly when the desktop fades the fence while idle: its own switch or the
        // global one.
        QTest::addColumn<bool>("fenceFade");
        QTest::addColumn<bool>("globalFade");
        QTest::newRow("neither") << false << false;
        QTest::newRow("the fence's") << true << false;
        QTest::newRow("the global one") << false << true;
        QTest::newRow("both") << true << true;
    }

    void theIdleRowFollowsTheFade()
    {
        QFETCH(bool, fenceFade);
        QFETCH(bool, globalFade);

        LabFixture f(false);
        for (const FenceModel& fence : f.store->activeFences())
            f.restyle(fence.id, [](FenceStyleConfig& style) { style.chameleonFadeEnabled = false; });
        f.setPreference([](GlobalPreferences& preferences) { preferences.chameleonGlobalEnabled = false; });
        f.restyle(f.first().id, [fenceFade](FenceStyleConfig& style) { style.chameleonFadeEnabled = fenceFade; });
        f.open();
        QVERIFY(f.lab()->idleOpacityRow()->isHidden() == !fenceFade);

        // The global switch, flipped in the card, decides for every fence.
        if (globalFade)
            QTest::mouseClick(f.global()->chameleonSwitch(), Qt::LeftButton);
        QCOMPARE(f.store->preferences().chameleonGlobalEnabled, globalFade);
        QCOMPARE(f.lab()->idleOpacityRow()->isVisible(), fenceFade || globalFade);
        f.choosePickerRow(1);
        QCOMPARE(f.lab()->shownFenceID(), f.second().id);
        QCOMPARE(f.lab()->idleOpacityRow()->isVisible(), globalFade);

        // The fence's own switch, flipped in the lab.
        QTest::mouseClick(f.lab()->chameleonSwitch(), Qt::LeftButton);
        QVERIFY(f.stored(f.second().id).style.chameleonFadeEnabled);
        QVERIFY(f.lab()->idleOpacityRow()->isVisible());
    }

    // -- choosing and writing ------------------------------------------------------------------

    // Picking another fence selects it in the store, and every control, highlight and the
    // preview follow it.
    void pickingAFenceMovesTheLab()
    {
        LabFixture f;
        const FenceModel first = f.first();
        const FenceModel second = f.second();
        f.restyle(first.id, [](FenceStyleConfig& style) {
            style.tint = FenceTintPalette::mint;
            style.glassOpacity = 0.9;
        });
        f.restyle(second.id, [](FenceStyleConfig& style) {
            style.tint = FenceTintPalette::violet;
            style.glassOpacity = 0.5;
            style.displayDensity = FenceDisplayDensity::compactList;
        });
        QCOMPARE(f.lab()->shownFenceID(), first.id);
        QCOMPARE(f.lab()->fencePicker()->count(), f.store->activeFences().size());
        QCOMPARE(f.lab()->fencePicker()->currentText(), first.title);

        f.choosePickerRow(1);
        QCOMPARE(f.store->selectedFenceID(), std::optional<QUuid>(second.id));
        QCOMPARE(f.lab()->shownFenceID(), second.id);
        QCOMPARE(f.lab()->fencePicker()->currentText(), second.title);
        QVERIFY(f.lab()->tintSwatch(FenceTintPalette::violet)->isCurrent());
        QVERIFY(!f.lab()->tintSwatch(FenceTintPalette::mint)->isCurrent());
        QCOMPARE(f.lab()->controlsCard()->modifier().tint, FenceTintPalette::violet);
        QCOMPARE(f.lab()->opacityValue()->text(), u"50%"_s);
        QCOMPARE(f.lab()->densityPicker()->currentIndex(), 1);
        QCOMPARE(f.lab()->previewHeader()->title(), second.title);
        QCOMPARE(f.lab()->expandedPreview()->modifier().glassOpacity, 0.5);
        QCOMPARE(f.lab()->sampleTile(0)->density(), FenceDisplayDensity::compactList);

        // A selection that names no active fence shows the first one.
        f.store->setSelectedFenceID(mv::newUuid());
        QCOMPARE(f.lab()->shownFenceID(), first.id);
        QCOMPARE(f.lab()->fencePicker()->currentText(), first.title);
    }

    void eachControlWritesOneField_data()
    {
        // Each control of the lab writes its one style field of the fence as the store holds
        // it then: a desktop move made after the page was drawn stays.
        QTest::addColumn<QString>("control");
        QTest::newRow("tint swatch") << u"tint"_s;
        QTest::newRow("opacity slider") << u"opacity"_s;
        QTest::newRow("corner slider") << u"corner"_s;
        QTest::newRow("icon scale slider") << u"iconScale"_s;
        QTest::newRow("density") << u"density"_s;
        QTest::newRow("hover unroll") << u"hover"_s;
        QTest::newRow("chameleon") << u"chameleon"_s;
    }

    void eachControlWritesOneField()
    {
        QFETCH(QString, control);

        LabFixture f;
        const QUuid id = f.first().id;
        f.restyle(id, [](FenceStyleConfig& style) { style.displayDensity = FenceDisplayDensity::grid; });
        FenceFrameRect moved = f.stored(id).desktopFrame;
        moved.x += 140;
        moved.y += 60;
        f.store->updateDesktopFrame(id, moved);
        const FenceModel before = f.stored(id);
        const int writes = f.savedStateWrites();
        const int snapshots = f.reloader->requestCount();

        FenceStyleConfig expected = before.style;
        const auto keyOn = [](LabSlider* slider) {
            slider->setFocus();
            QTest::keyClick(slider, Qt::Key_End);
        };
        if (control == u"tint") {
            QTest::mouseClick(f.lab()->tintSwatch(FenceTintPalette::rose), Qt::LeftButton);
            expected.tint = FenceTintPalette::rose;
        } else if (control == u"opacity") {
            keyOn(f.lab()->opacitySlider());
            expected.glassOpacity = 1.0;
        } else if (control == u"corner") {
            keyOn(f.lab()->cornerSlider());
            expected.cornerRadius = 32;
        } else if (control == u"iconScale") {
            keyOn(f.lab()->iconScaleSlider());
            expected.iconScale = 1.35;
        } else if (control == u"density") {
            LabSegmentedPicker* picker = f.lab()->densityPicker();
            QTest::mouseClick(picker, Qt::LeftButton, {}, picker->segmentRect(1).center());
            expected.displayDensity = FenceDisplayDensity::compactList;
        } else if (control == u"hover") {
            QTest::mouseClick(f.lab()->hoverUnrollSwitch(), Qt::LeftButton);
            expected.hoverUnrollEnabled = !before.style.hoverUnrollEnabled;
        } else {
            QTest::mouseClick(f.lab()->chameleonSwitch(), Qt::LeftButton);
            expected.chameleonFadeEnabled = !before.style.chameleonFadeEnabled;
        }

        const FenceModel after = f.stored(id);
        QCOMPARE(after.style, expected);
        QCOMPARE(after.desktopFrame, moved);
        FenceModel rest = after;
        rest.style = before.style;
        rest.updatedAt = before.updatedAt;
        QCOMPARE(rest, before);
        QCOMPARE(f.savedStateWrites(), writes + 1);
        QCOMPARE(f.reloader->requestCount(), snapshots + 1);
        QCOMPARE(decodeDocument(f.stateOnDisk()).value().fences, f.store->fences());
    }

    // A drag is many changes, each written and saved.
    void aSliderDragSavesEachStep()
    {
        LabFixture f;
        const QUuid id = f.first().id;
        f.restyle(id, [](FenceStyleConfig& style) { style.glassOpacity = 0.5; });
        LabSlider* slider = f.lab()->opacitySlider();
        slider->setFocus();
        const int writes = f.savedStateWrites();
        double last = f.stored(id).style.glassOpacity;
        for (int step = 1; step <= 3; ++step) {
            QTest::keyClick(slider, Qt::Key_Right);
            const double now = f.stored(id).style.glassOpacity;
            QVERIFY(now > last);
            last = now;
            QCOMPARE(f.savedStateWrites(), writes + step);
        }
        QCOMPARE(f.lab()->opacityValue()->text(), FenceLabSectionView::percentText(last));
    }

    void retappingTheCurrentSwatchSaves_data()
    {
        QTest::addColumn<bool>("wallpaper");
        QTest::newRow("tint") << false;
        QTest::newRow("wallpaper") << true;
    }

    void retappingTheCurrentSwatchSaves()
    {
        QFETCH(bool, wallpaper);

        LabFixture f;
        const FenceModel fence = f.first();
        const WorkspaceProfile workspace = f.store->activeWorkspace().value();
        LabSwatchButton* current = wallpaper ? f.global()->wallpaperSwatch(workspace.wallpaperPreset)
                                             : f.lab()->tintSwatch(fence.style.tint);
        QVERIFY(current->isCurrent());
        f.clock = f.clock.addSecs(30);
        const int writes = f.savedStateWrites();
        QTest::mouseClick(current, Qt::LeftButton);
        QCOMPARE(f.savedStateWrites(), writes + 1);
        QVERIFY(current->isCurrent());
        if (wallpaper) {
            QCOMPARE(f.store->activeWorkspace().value(), workspace);
        } else {
            QCOMPARE(f.stored(fence.id).style, fence.style);
            QCOMPARE(f.stored(fence.id).updatedAt, f.clock);
        }
    }

    // A wallpaper swatch changes the active workspace's preset; the line, the ring and the
    // preview follow. Without a workspace the block is gone, and without fences the lab.
    void theWallpaperBlock()
    {
        LabFixture f;
        QTest::mouseClick(f.global()->wallpaperSwatch(WallpaperPreset::midnightOcean), Qt::LeftButton);
        QCOMPARE(f.store->activeWorkspace()->wallpaperPreset, WallpaperPreset::midnightOcean);
        QCOMPARE(f.global()->wallpaperLine()->text(), u"当前工作区壁纸光影：深海夜幕"_s);
        QVERIFY(f.global()->wallpaperSwatch(WallpaperPreset::midnightOcean)->isCurrent());
        QVERIFY(!f.global()->wallpaperSwatch(WallpaperPreset::tahoeAurora)->isCurrent());
        QCOMPARE(decodeDocument(f.stateOnDisk()).value().workspaces, f.store->workspaces());

        QList<FenceModel> others;
        for (const FenceModel& fence : f.store->fences()) {
            if (fence.workspaceID != f.store->activeWorkspaceID())
                others.append(fence);
        }
        QVERIFY(f.store->setFences(others));
        QVERIFY(f.lab()->isHidden());
        QVERIFY(f.global()->wallpaperBlock()->isVisible());
        f.store->setWorkspaces({});
        QVERIFY(f.global()->wallpaperBlock()->isHidden());
    }

    // -- the preview ---------------------------------------------------------------------------

    // A collapsed fence shows its pill; a double click on it expands the real fence, and the
    // header's collapse button rolls it up again.
    void thePreviewCollapsesTheRealFence()
    {
        LabFixture f;
        const QUuid id = f.first().id;
        f.store->setCollapsed(id, true);
        QVERIFY(f.lab()->previewPill()->isVisible());
        QVERIFY(f.lab()->expandedPreview()->isHidden());

        QTest::mouseDClick(f.lab()->previewPill(), Qt::LeftButton, {}, QPoint(60, FenceRollUpPillView::fixedHeight / 2));
        QVERIFY(!f.stored(id).isCollapsed);
        QVERIFY(f.lab()->expandedPreview()->isVisible());
        QVERIFY(f.lab()->previewPill()->isHidden());
        const auto saved = decodeDocument(f.stateOnDisk());
        QCOMPARE(saved.value().fences, f.store->fences());

        f.lab()->previewHeader()->onToggleCollapse();
        QVERIFY(f.stored(id).isCollapsed);
        QVERIFY(f.lab()->previewPill()->isVisible());
    }

    // -- opening writes nothing ------------------------------------------------------------------

    // Values outside the controls' ranges, as an import may bring them, are shown and kept:
    // opening the page and switching between fences neither clamps nor saves.
    void openingThePageWritesNothing()
    {
        LabFixture f(false);
        const QUuid id = f.first().id;
        f.restyle(id, [](FenceStyleConfig& style) {
            style.glassOpacity = 0.2;
            style.cornerRadius = 40;
            style.iconScale = 0.5;
            style.idleOpacity = 0.05;
        });
        f.setPreference([](GlobalPreferences& preferences) {
            preferences.snapGap = 2;
            preferences.snapThreshold = 45;
            preferences.chameleonGlobalEnabled = true;
        });
        const QByteArray stateBefore = f.stateOnDisk();
        const int writes = f.savedStateWrites();
        const FenceModel before = f.stored(id);
        const GlobalPreferences preferences = f.store->preferences();

        f.open();
        f.choosePickerRow(1);
        f.choosePickerRow(0);
        QCoreApplication::processEvents();

        QCOMPARE(f.savedStateWrites(), writes);
        QCOMPARE(f.stateOnDisk(), stateBefore);
        QCOMPARE(f.stored(id), before);
        QCOMPARE(f.store->preferences(), preferences);
        QCOMPARE(f.lab()->opacityValue()->text(), u"20%"_s);
        QCOMPARE(f.lab()->cornerValue()->text(), u"40 pt"_s);
        QCOMPARE(f.lab()->idleOpacityValue()->text(), u"5%"_s);
        QCOMPARE(f.global()->gapLabel()->text(), u"磁吸间距 (2 pt)"_s);
        QCOMPARE(f.global()->thresholdLabel()->text(), u"磁吸阈值 (45 pt)"_s);
    }

    void globalSwitchesWriteOnePreference_data()
    {
        QTest::addColumn<QString>("which");
        QTest::newRow("snapping") << u"snapping"_s;
        QTest::newRow("chameleon") << u"chameleon"_s;
        QTest::newRow("auto tidy") << u"autoTidy"_s;
    }

    void globalSwitchesWriteOnePreference()
    {
        QFETCH(QString, which);

        LabFixture f;
        const GlobalPreferences before = f.store->preferences();
        GlobalPreferences expected = before;
        QuickControlSwitch* control = nullptr;
        bool wasOn = false;
        if (which == u"snapping") {
            control = f.global()->snappingSwitch();
            wasOn = before.magneticSnappingEnabled;
            expected.magneticSnappingEnabled = !wasOn;
        } else if (which == u"chameleon") {
            control = f.global()->chameleonSwitch();
            wasOn = before.chameleonGlobalEnabled;
            expected.chameleonGlobalEnabled = !wasOn;
        } else {
            control = f.global()->autoTidySwitch();
            wasOn = before.autoTidyOnDrop;
            expected.autoTidyOnDrop = !wasOn;
        }
        QCOMPARE(control->isChecked(), wasOn);
        QTest::mouseClick(control, Qt::LeftButton);
        QCOMPARE(f.store->preferences(), expected);
        QCOMPARE(decodeDocument(f.stateOnDisk()).value().preferences, expected);
        QTest::mouseClick(control, Qt::LeftButton);
        QCOMPARE(f.store->preferences(), before);
    }

    // -- pictures --------------------------------------------------------------------------------

    // The page in the control center, light and dark, for people to look at.
    void pictures()
    {
        StoreFixture fixture;
        const auto store = fixture.makeStore();
        store->setSelectedFenceID(store->activeFences().at(1).id);
        DesktopPanelManager manager(*store);
        const QString folder = QStringLiteral(MORVANTEEL_BUILD_DIR "/appearance-lab");
        QVERIFY(QDir().mkpath(folder));
        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            DesignEnvironment environment;
            environment.setColorScheme(scheme);
            ControlCenterTabBinding tab;
            tab.read = [] { return ControlCenterTab::appearance; };
            tab.write = [](ControlCenterTab) {};
            ControlCenterView view(*store, manager, tab, {}, &environment, &makeControlCenterPage);
            view.resize(1280, 860);
            view.show();
            QVERIFY(QTest::qWaitForWindowExposed(&view));
            QVERIFY(qobject_cast<AppearanceLabTabView*>(view.currentPage()));
            QCoreApplication::processEvents();
            const QString name = scheme == ColorScheme::dark ? u"dark"_s : u"light"_s;
            const QImage shot = view.grab().toImage();
            QVERIFY(shot.save(folder + u"/appearance-lab-"_s + name + u".png"_s));
            // The page is transparent: below its content the detail area's own ground shows.
            const QColor ground = shot.pixelColor(shot.width() - 40, shot.height() - 20);
            QVERIFY2(scheme == ColorScheme::dark ? ground.lightness() < 80 : ground.lightness() > 180,
                     qPrintable(ground.name()));
            // The fence shown rolled up, with the idle row the global fade brings.
            const QUuid shown = qobject_cast<AppearanceLabTabView*>(view.currentPage())->fenceLab()->shownFenceID();
            store->setCollapsed(shown, true);
            GlobalPreferences preferences = store->preferences();
            preferences.chameleonGlobalEnabled = true;
            QVERIFY(store->setPreferences(preferences));
            QCoreApplication::processEvents();
            QVERIFY(view.grab().save(folder + u"/appearance-lab-collapsed-"_s + name + u".png"_s));
            store->setCollapsed(shown, false);
            preferences.chameleonGlobalEnabled = false;
            QVERIFY(store->setPreferences(preferences));
        }
    }
};

QTEST_MAIN(AppearanceLabTest)
#include "tst_appearancelab.moc"
