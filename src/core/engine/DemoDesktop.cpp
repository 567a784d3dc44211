#include "core/engine/DemoDesktop.h"

#include "core/engine/FilePaths.h"
#include "core/engine/PortalMoves.h"
#include "core/models/Uuid.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cerrno>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mv::FolderPortalEngine {

namespace {

constexpr const char* markerName = ".morvanteel-seeded";
constexpr const char* markerContent = "seeded";

// Created in this order; the smart-tidy rules of the demo seed sort into them.
constexpr const char* subfolders[] = {
    "工作文档", "截屏归档", "视觉素材", "代码工程", "压缩归档",
};

struct DemoFile {
    const char* path; // relative to the demo folder
    const char* content;
};

// Written in this order. The images and archives hold placeholder text, not real data.
constexpr DemoFile files[] = {
    {"Q4产品路线图.md",
     "# Morvanteel Q4 路线图\n\n- iOS 26 液态玻璃空间画布\n- macOS 桌面级悬浮围栏\n- 智能规则自动整理 + 撤销保护\n"},
    {"LiquidGlass设计规范.txt",
     "Apple Liquid Glass Guidelines:\n- Keep glass layered over vibrant backdrop.\n"
     "- Reserve interactive glass for floating controls and fence chrome.\n"},
    {"截屏 2026-11-24 上午10.15.png", "PNG_DEMO_PLACEHOLDER_SCREENSHOT"},
    {"澄栩桌面概念图.jpg", "JPG_DEMO_PLACEHOLDER_ARTWORK"},
    {"SwiftUI交互原型.swift",
     "import SwiftUI\n\nstruct GlassCardPreview: View {\n    var body: some View {\n"
     "        Text(\"Morvanteel\")\n            .padding()\n    }\n}\n"},
    {"材质参数配置.json",
     "{\n  \"material\": \"liquidGlass\",\n  \"damping\": 1.0,\n  \"response\": 0.36\n}\n"},
    {"图标导出资产包.zip", "ZIP_DEMO_PLACEHOLDER_ARCHIVE"},
    {"工作文档/2026-产品评审纪要.md", "# 产品评审纪要\n\n1. 支持双端同步配置快照\n2. 传送门支持文件夹面包屑导航\n"},
    {"工作文档/架构设计说明书.txt",
     "Architecture Notes: MorvanteelCore + MorvanteelDesign + Native macOS/iOS Adapters."},
    {"截屏归档/Simulator_iOS26_HomeWidget.png", "PNG_DEMO_WIDGET_SCREENSHOT"},
    {"代码工程/SmartRuleBenchmark.swift", "// Benchmark rules engine throughput\nlet count = 1000\n"},
};

bool existsNoFollow(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

void createFolders(const QByteArray& path)
{
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path.toStdString()), ignored);
}

// Writes beside the target, then puts the file in place with a rename that never replaces:
// a file that is already there, or that appeared meanwhile, keeps its content.
void writeNewFile(const QByteArray& path, const QByteArray& content)
{
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray temporary =
        path.left(slash + 1) + ".morvanteel-write-" + uuidString(newUuid()).toLatin1();
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return;
    bool written = true;
    for (qsizetype done = 0; written && done < content.size();) {
        const ssize_t put = ::write(fd, content.constData() + done, size_t(content.size() - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            written = false;
        else
            done += put;
    }
    if (::fsync(fd) != 0)
        written = false;
    if (::close(fd) != 0)
        written = false;
    if (!written || detail::renameWithoutReplacing(temporary, path) != 0)
        ::unlink(temporary.constData());
}

} // namespace

void populateDemoDesktopIfNeeded(const QUrl& folder)
{
    const std::optional<QString> local = folder.isLocalFile() ? filepaths::localPath(folder) : std::nullopt;
    if (!local)
        return;
    const QString folderPath = *local;
    // Never relative to the working directory.
    if (!folderPath.startsWith(u'/'))
        return;
    const QByteArray root = QFile::encodeName(QDir::cleanPath(folderPath)) + '/';

    const QByteArray marker = root + markerName;
    if (existsNoFollow(marker))
        return;

    createFolders(root);
    for (const char* subfolder : subfolders)
        createFolders(root + subfolder);
    for (const DemoFile& file : files) {
        const QByteArray path = root + file.path;
        if (!existsNoFollow(path))
            writeNewFile(path, QByteArray(file.content));
    }
    writeNewFile(marker, QByteArray(markerContent));
}

} // namespace mv::FolderPortalEngine
