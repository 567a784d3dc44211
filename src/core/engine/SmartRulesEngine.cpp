#include "core/engine/SmartRulesEngine.h"

#include "core/engine/FilePaths.h"

#include "core/engine/PortalScan.h"
#include "core/models/Paths.h"
#include "core/models/Text.h"
#include "core/models/Uuid.h"
#include "platform/ContentTypes.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <system_error>
#include <vector>

#include <sys/stat.h>

namespace mv::SmartRulesEngine {

namespace {

using namespace filepaths;
using FolderPortalEngine::FileOperation;
using FolderPortalEngine::FileSystemError;
using FolderPortalEngine::MoveBatch;
using FolderPortalEngine::MoveError;
using FolderPortalEngine::MoveFailure;
using FolderPortalEngine::PortalOperationError;

constexpr double bytesPerMegabyte = 1048576.0;
constexpr double millisecondsPerDay = 86400.0 * 1000.0;

// --- paths ---------------------------------------------------------------------------------

// The path a folder URL names: a local file URL's path, or the path of a URL without scheme.
// Empty for anything else.
QString localPath(const QUrl& url)
{
    return filepaths::localPath(url).value_or(QString());
}

bool isAbsolute(const QString& path)
{
    return path.startsWith(u'/');
}

// The destination folder of a rule as a cleaned path; relative only when `basePath` is.
QString resolveDestinationPath(const SmartRule& rule, const QList<FenceModel>& fences,
                               const QString& basePath)
{
    if (rule.targetFenceID) {
        const auto fence = std::find_if(fences.cbegin(), fences.cend(), [&](const FenceModel& f) {
            return f.id == *rule.targetFenceID;
        });
        if (fence != fences.cend()) {
            if (const FenceTab* tab = fence->activeTab(); tab && tab->portalPath && !tab->portalPath->isEmpty()) {
                // A portal path that is not absolute is unbound; it never names a folder
                // below the working directory.
                const QString path = expandTilde(*tab->portalPath);
                if (isAbsolute(path))
                    return standardizedOrRelative(path);
            }
        }
    }
    if (rule.targetDirectoryPath && !rule.targetDirectoryPath->isEmpty()) {
        const QString path = expandTilde(*rule.targetDirectoryPath);
        return standardizedOrRelative(isAbsolute(path) ? path : joined(basePath, path));
    }
    const QString subfolder = rule.targetSubfolderName.isEmpty() ? rule.name : rule.targetSubfolderName;
    return standardizedOrRelative(joined(basePath, subfolder));
}

// --- reading values -------------------------------------------------------------------------

// A decimal floating-point number over the whole text, in any locale the same: an optional
// sign, digits with an optional "." and exponent, or "inf". NaN is no number.
std::optional<double> readNumber(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    const char* first = bytes.constData();
    const char* const last = first + bytes.size();
    if (first != last && *first == '+') {
        ++first;
        if (first != last && (*first == '+' || *first == '-'))
            return std::nullopt;
    }
    if (first == last)
        return std::nullopt;
    double number = 0;
    const auto [end, error] = std::from_chars(first, last, number, std::chars_format::general);
    if (end != last)
        return std::nullopt;
    if (error == std::errc::result_out_of_range) {
        // Too large gives an infinity of its sign, too small (a negative exponent) zero.
        const qsizetype exponent = std::max(bytes.lastIndexOf('e'), bytes.lastIndexOf('E'));
        if (exponent >= 0 && exponent + 1 < bytes.size() && bytes.at(exponent + 1) == '-')
            return 0.0;
        const bool negative = *first == '-';
        return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    }
    if (error != std::errc() || std::isnan(number))
        return std::nullopt;
    return number;
}

QString foldedName(const QString& text)
{
    return text::normalized(text).toLower();
}

// One condition, read once: its trimmed value turned into what its field compares.
struct CompiledCondition {
    RuleConditionField field = RuleConditionField::fileExtension;
    bool negated = false;
    QString value;              // trimmed
    QString lowerValue;         // NFC, lower case (prefix)
    QString normalizedValue;    // NFC (contains)
    QSet<QString> extensions;   // fileExtension
    QRegularExpression pattern; // fileNameRegex, valid or not
    bool wantsFolder = false;   // isDirectory
    double threshold = 0;       // bytes, or milliseconds of age
    bool typeKnown = false;     // utTypeConforms: the value names a known type
};

CompiledCondition compile(const RuleCondition& condition)
{
    CompiledCondition compiled;
    compiled.field = condition.field;
    compiled.negated = condition.negated;
    compiled.value = condition.value.trimmed();
    const QString& v = compiled.value;
    switch (condition.field) {
    case RuleConditionField::fileExtension:
        for (const QString& listed : v.split(u',', Qt::SkipEmptyParts)) {
            QString extension = listed.trimmed().toLower();
            qsizetype begin = 0;
            qsizetype end = extension.size();
            while (begin < end && extension.at(begin) == u'.')
                ++begin;
            while (end > begin && extension.at(end - 1) == u'.')
                --end;
            compiled.extensions.insert(extension.mid(begin, end - begin));
        }
        break;
    case RuleConditionField::utTypeConforms:
        compiled.typeKnown = platform::contentType(v) != nullptr;
        break;
    case RuleConditionField::fileNameContains:
        compiled.normalizedValue = text::normalized(v);
        break;
    case RuleConditionField::fileNameRegex:
        compiled.pattern = QRegularExpression(v, QRegularExpression::CaseInsensitiveOption
                                                     | QRegularExpression::UseUnicodePropertiesOption);
        if (compiled.pattern.isValid())
            compiled.pattern.optimize();
        break;
    case RuleConditionField::fileNamePrefix:
        compiled.lowerValue = foldedName(v);
        break;
    case RuleConditionField::isDirectory:
        compiled.wantsFolder = v.toLower() == u"true" || v == u"1" || v == u"是";
        break;
    case RuleConditionField::sizeGreaterThanMB:
        compiled.threshold = readNumber(v).value_or(0.0) * bytesPerMegabyte;
        break;
    case RuleConditionField::olderThanDays:
        compiled.threshold = readNumber(v).value_or(0.0) * millisecondsPerDay;
        break;
    }
    return compiled;
}

// The entry under test, with what several conditions read computed at most once.
class EntryUnderTest final {
public:
    EntryUnderTest(const PortalFileEntry& entry, qint64 nowMs) : m_entry(entry), m_nowMs(nowMs) {}

    const PortalFileEntry& entry() const { return m_entry; }
    qint64 nowMs() const { return m_nowMs; }

    const QString& lowerName()
    {
        if (!m_lowerName)
            m_lowerName = foldedName(m_entry.name);
        return *m_lowerName;
    }
    const QString& normalizedName()
    {
        if (!m_normalizedName)
            m_normalizedName = text::normalized(m_entry.name);
        return *m_normalizedName;
    }
    const QString& lowerExtension()
    {
        if (!m_lowerExtension)
            m_lowerExtension = m_entry.fileExtension.toLower();
        return *m_lowerExtension;
    }

private:
    const PortalFileEntry& m_entry;
    qint64 m_nowMs;
    std::optional<QString> m_lowerName;
    std::optional<QString> m_normalizedName;
    std::optional<QString> m_lowerExtension;
};

qint64 modifiedMs(const QDateTime& time)
{
    // An entry without a date is as old as the scan's undated entries.
    static const qint64 distant = FolderPortalEngine::distantPast().toMSecsSinceEpoch();
    return time.isValid() ? time.toMSecsSinceEpoch() : distant;
}

bool holdsBeforeNegation(const CompiledCondition& c, EntryUnderTest& subject)
{
    const PortalFileEntry& entry = subject.entry();
    switch (c.field) {
    case RuleConditionField::fileExtension:
        return !entry.isDirectory && c.extensions.contains(subject.lowerExtension());
    case RuleConditionField::utTypeConforms:
        return c.typeKnown && entry.utTypeIdentifier && platform::conforms(*entry.utTypeIdentifier, c.value);
    case RuleConditionField::fileNameContains:
        // containsCaseInsensitive, with both sides normalised once rather than per condition.
        return !c.value.isEmpty() && subject.normalizedName().contains(c.normalizedValue, Qt::CaseInsensitive);
    case RuleConditionField::fileNameRegex:
        // A match that hits the matcher's limits reports no match.
        return c.pattern.isValid() && c.pattern.match(entry.name).hasMatch();
    case RuleConditionField::fileNamePrefix:
        return !c.value.isEmpty() && subject.lowerName().startsWith(c.lowerValue);
    case RuleConditionField::isDirectory:
        return entry.isDirectory == c.wantsFolder;
    case RuleConditionField::sizeGreaterThanMB:
        return double(entry.fileSize) >= c.threshold;
    case RuleConditionField::olderThanDays:
        return double(subject.nowMs() - modifiedMs(entry.modifiedAt)) >= c.threshold;
    }
    return false;
}

bool holds(const CompiledCondition& condition, EntryUnderTest& subject)
{
    return holdsBeforeNegation(condition, subject) != condition.negated;
}

struct CompiledRule {
    const SmartRule* rule = nullptr;
    std::vector<CompiledCondition> conditions;
    bool namesDirectory = false; // some condition tests isDirectory, negated or not
};

CompiledRule compile(const SmartRule& rule)
{
    CompiledRule compiled;
    compiled.rule = &rule;
    compiled.conditions.reserve(size_t(rule.conditions.size()));
    for (const RuleCondition& condition : rule.conditions) {
        compiled.conditions.push_back(compile(condition));
        if (condition.field == RuleConditionField::isDirectory)
            compiled.namesDirectory = true;
    }
    return compiled;
}

bool ruleMatches(const CompiledRule& rule, EntryUnderTest& subject)
{
    if (rule.conditions.empty())
        return false;
    if (rule.rule->matchMode == RuleMatchMode::any)
        return std::any_of(rule.conditions.cbegin(), rule.conditions.cend(),
                           [&](const CompiledCondition& c) { return holds(c, subject); });
    return std::all_of(rule.conditions.cbegin(), rule.conditions.cend(),
                       [&](const CompiledCondition& c) { return holds(c, subject); });
}

qint64 currentMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// --- execution helpers ---------------------------------------------------------------------

QString transactionLabel(qsizetype count)
{
    return QStringLiteral("智能整理 ") + QString::number(count) + QStringLiteral(" 个项目");
}

void stamp(UndoTransaction& transaction)
{
    transaction.id = newUuid();
    transaction.label = transactionLabel(transaction.moves.size());
    transaction.timestamp = QDateTime::currentDateTimeUtc();
}

MoveFailure failed(MoveError error, MoveBatch completed = {})
{
    return MoveFailure{std::move(error), std::move(completed)};
}

bool sourceVanished(const MoveError& error, const QString& source)
{
    const auto* fileError = std::get_if<FileSystemError>(&error);
    return fileError && fileError->operation == FileOperation::move && fileError->code == ENOENT
           && !existsNoFollow(source);
}

bool isFolderNoFollow(const QString& path)
{
    struct stat st;
    return ::lstat(encoded(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

bool evaluateCondition(const RuleCondition& condition, const PortalFileEntry& entry)
{
    return evaluateCondition(condition, entry, QDateTime::currentDateTimeUtc());
}

bool evaluateCondition(const RuleCondition& condition, const PortalFileEntry& entry, const QDateTime& now)
{
    EntryUnderTest subject(entry, now.isValid() ? now.toMSecsSinceEpoch() : currentMs());
    return holds(compile(condition), subject);
}

bool matches(const PortalFileEntry& entry, const SmartRule& rule)
{
    EntryUnderTest subject(entry, currentMs());
    return ruleMatches(compile(rule), subject);
}

std::optional<SmartRule> firstMatchingRule(const PortalFileEntry& entry, const QList<SmartRule>& rules)
{
    EntryUnderTest subject(entry, currentMs());
    for (const SmartRule& rule : rules) {
        if (rule.isEnabled && ruleMatches(compile(rule), subject))
            return rule;
    }
    return std::nullopt;
}

QUrl resolveDestinationDirectory(const SmartRule& rule, const QList<FenceModel>& fences, const QUrl& baseDir)
{
    return QUrl::fromLocalFile(resolveDestinationPath(rule, fences, localPath(baseDir)));
}

QList<SmartRule> defaultRules(const std::optional<QUuid>& screenshotsFenceID,
                              const std::optional<QUuid>& docsFenceID,
                              const std::optional<QUuid>& codeFenceID,
                              const std::optional<QUrl>& baseDirectory)
{
    std::optional<QString> basePath;
    if (baseDirectory) {
        QString path = localPath(*baseDirectory);
        if (!path.isEmpty()) {
            path = standardizedOrRelative(path);
            if (path.endsWith(u'/'))
                path.chop(1); // the root: "/" + "/截屏归档" would read "//截屏归档"
            basePath = path;
        }
    }

    struct Row {
        qint64 priority;
        const char16_t* name;
        const char* symbolName;
        QList<QString> containsValues; // fileNameContains conditions
        const char* extensions;        // one fileExtension condition, when set
        std::optional<QUuid> fenceID;
        const char16_t* subfolder;
    };
    const Row rows[] = {
        {10, u"截屏自动归档", "camera.viewfinder",
         {QStringLiteral("截屏"), QStringLiteral("Screenshot"), QStringLiteral("Screen Shot")}, nullptr,
         screenshotsFenceID, u"截屏归档"},
        {20, u"图片与视觉素材", "photo.stack.fill", {}, "png,jpg,jpeg,heic,webp,gif,svg,fig,sketch",
         std::nullopt, u"视觉素材"},
        {30, u"文档与笔记资料", "doc.text.fill", {},
         "pdf,md,markdown,txt,rtf,doc,docx,pages,xls,xlsx,ppt,pptx,key", docsFenceID, u"工作文档"},
        {40, u"代码与配置文件", "chevron.left.forwardslash.chevron.right", {},
         "swift,py,ts,tsx,js,jsx,json,yml,yaml,toml,sh,rs,go", codeFenceID, u"代码工程"},
        {50, u"压缩包与安装包", "archivebox.fill", {}, "zip,tar,gz,7z,rar,dmg,pkg,ipa", std::nullopt,
         u"压缩归档"},
    };

    QList<SmartRule> rules;
    rules.reserve(std::size(rows));
    for (const Row& row : rows) {
        SmartRule rule;
        rule.id = newUuid();
        rule.name = QString::fromUtf16(row.name);
        rule.symbolName = QString::fromLatin1(row.symbolName);
        rule.isEnabled = true;
        rule.priority = row.priority;
        rule.matchMode = RuleMatchMode::any;
        for (const QString& value : row.containsValues)
            rule.conditions.append(RuleCondition{newUuid(), RuleConditionField::fileNameContains, value, false});
        if (row.extensions)
            rule.conditions.append(RuleCondition{newUuid(), RuleConditionField::fileExtension,
                                                 QString::fromLatin1(row.extensions), false});
        rule.targetFenceID = row.fenceID;
        rule.targetSubfolderName = QString::fromUtf16(row.subfolder);
        if (basePath)
            rule.targetDirectoryPath = *basePath + u'/' + rule.targetSubfolderName;
        rules.append(std::move(rule));
    }
    return rules;
}

DryRunMovePlan buildDryRunPlan(const QUrl& sourceDirectory, const QList<SmartRule>& rules,
                               const QList<FenceModel>& fences,
                               const std::optional<QUrl>& defaultBaseDirectory)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QString rawSource = localPath(sourceDirectory);
    const QString sourcePath = rawSource.isEmpty() ? QString() : standardizedOrRelative(rawSource);

    DryRunMovePlan plan;
    plan.sourceDirectoryPath = sourcePath;
    plan.generatedAt = now;

    // An unbound (relative or empty) source lists nothing: scanDirectory never resolves it
    // against the working directory.
    const QList<PortalFileEntry> entries =
        FolderPortalEngine::scanDirectory(sourcePath, {FolderPortalEngine::HiddenFiles::Skip,
                                                       FolderPortalEngine::ExtensionDisplay::Show,
                                                       QString(), FenceSortMode::nameAsc, {}})
            .entries;
    plan.scannedCount = entries.size();
    if (entries.isEmpty())
        return plan;

    // The enabled rules by ascending priority, equal priorities in list order; every pattern
    // compiled once for the whole plan.
    std::vector<qsizetype> order;
    for (qsizetype i = 0; i < rules.size(); ++i) {
        if (rules.at(i).isEnabled)
            order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return rules.at(a).priority < rules.at(b).priority; });
    std::vector<CompiledRule> compiled;
    compiled.reserve(order.size());
    for (const qsizetype index : order)
        compiled.push_back(compile(rules.at(index)));

    const QString basePath = defaultBaseDirectory ? localPath(*defaultBaseDirectory) : sourcePath;

    // Resolved once per rule, with the canonical form used to recognise a folder reached
    // through a symlink.
    struct Destination {
        QString path;
        QString canonical;
        bool exists = false; // something is at the folder's path
        bool resolved = false;
        // The names of an existing folder, read once: every tidy after the first finds its
        // folders there, and a lookup on disk per file would cost more than the plan itself.
        std::optional<filepaths::FolderNames> names;
        QString namingFolder; // the folder as uniqueDestinationURL names it
    };
    std::vector<Destination> destinations(compiled.size());
    const QString canonicalSource = realPath(sourcePath).value_or(sourcePath);
    // A listed name holds U+FFFD when its bytes were not UTF-8; any other name of a folder
    // with an exact path is exact, without taking the entry's URL apart.
    const bool sourceExact = !hasInexactPath(QUrl::fromLocalFile(withTrailingSlash(sourcePath)));

    QSet<QString> reserved;
    const qint64 nowMs = now.toMSecsSinceEpoch();
    qint64 skipped = 0;
    for (const PortalFileEntry& entry : entries) {
        // A name that is not UTF-8 has no path here that names that file: listed, never moved.
        const bool exact = sourceExact && !entry.name.contains(QChar::ReplacementCharacter);
        if (!exact && !entry.hasExactName()) {
            ++skipped;
            continue;
        }
        EntryUnderTest subject(entry, nowMs);
        std::optional<size_t> chosen;
        for (size_t i = 0; i < compiled.size(); ++i) {
            // Folders only move by a rule that asks about folders.
            if (entry.isDirectory && !compiled[i].namesDirectory)
                continue;
            if (ruleMatches(compiled[i], subject)) {
                chosen = i;
                break;
            }
        }
        if (!chosen) {
            ++skipped;
            continue;
        }

        Destination& destination = destinations[*chosen];
        if (!destination.resolved) {
            destination.path = resolveDestinationPath(*compiled[*chosen].rule, fences, basePath);
            destination.canonical =
                isAbsolute(destination.path) ? canonicalAllowingMissing(destination.path) : destination.path;
            destination.exists = existsNoFollow(destination.path);
            if (destination.exists && isAbsolute(destination.path)) {
                const QUrl folder = QUrl::fromLocalFile(destination.path);
                if (!hasInexactPath(folder)) {
                    if (const std::optional<QString> naming = standardizedPath(folder)) {
                        destination.namingFolder = *naming;
                        destination.names = filepaths::FolderNames::read(*naming);
                    }
                }
            }
            destination.resolved = true;
        }
        // A destination that is not an absolute folder cannot be reached without guessing
        // where a relative path starts.
        if (!isAbsolute(destination.path)) {
            ++skipped;
            continue;
        }

        // Listed names hold no "/", so this is the entry's standardized path.
        const QString entryPath = joined(sourcePath, entry.name);
        if (sourcePath == destination.path || canonicalSource == destination.canonical) {
            ++skipped;
            continue;
        }
        if (entry.isDirectory
            && (isSameOrInside(destination.path, entryPath)
                || isSameOrInside(destination.canonical, joined(canonicalSource, entry.name)))) {
            ++skipped; // a folder cannot go into itself
            continue;
        }

        // In a folder that is not there yet every name is free but those the plan gave out;
        // this spares a lookup on disk per file on a first tidy.
        QString proposedPath;
        bool renamed = false;
        if (const QString direct = joined(destination.path, entry.name);
            !destination.exists && !reserved.contains(direct)) {
            reserved.insert(direct);
            proposedPath = direct;
        } else if (const std::optional<filepaths::FolderNames>& names = destination.names) {
            renamed = FolderPortalEngine::uniqueNameIn(
                destination.namingFolder, entry.name, reserved,
                [&names](const QString& path) { return names->holds(path); }, proposedPath);
        } else {
            const FolderPortalEngine::UniqueDestination target = FolderPortalEngine::uniqueDestinationURL(
                QUrl::fromLocalFile(destination.path), entry.name, reserved);
            proposedPath = standardizedPath(target.url).value_or(QString());
            renamed = target.didRename;
        }
        DryRunMoveItem item;
        item.id = newUuid();
        item.ruleID = compiled[*chosen].rule->id;
        item.ruleName = compiled[*chosen].rule->name;
        item.sourcePath = entryPath;
        item.proposedDestinationPath = proposedPath;
        item.fileName = entry.name;
        item.fileSizeBytes = entry.fileSize;
        item.willRenameOnConflict = renamed;
        plan.matchedMoves.append(std::move(item));
    }
    plan.skippedCount = skipped;
    return plan;
}

FolderPortalEngine::MoveResult executePlan(const DryRunMovePlan& plan)
{
    if (plan.matchedMoves.isEmpty())
        return failed(PortalOperationError::nothingMoved());

    struct Step {
        QString source;
        QString destination;
    };
    // Everything that can be checked is checked before the first move, so that a refused plan
    // leaves every file where it was.
    std::vector<Step> steps;
    steps.reserve(size_t(plan.matchedMoves.size()));
    for (const DryRunMoveItem& item : plan.matchedMoves) {
        const QString source = standardizedOrRelative(item.sourcePath);
        const QString destination = standardizedOrRelative(item.proposedDestinationPath);
        // A plan names absolute paths only; a relative one would land below the working folder.
        if (!isAbsolute(destination))
            return failed(PortalOperationError::destinationNotDirectory(item.proposedDestinationPath));
        if (!isAbsolute(source) || source == destination)
            continue;
        if (isFolderNoFollow(source)) {
            const QString canonicalSource = realPath(source).value_or(source);
            if (isSameOrInside(destination, source)
                || isSameOrInside(canonicalAllowingMissing(destination), canonicalSource))
                return failed(PortalOperationError::cannotMoveDirectoryIntoSelf(lastComponent(source)));
        }
        steps.push_back(Step{source, destination});
    }

    MoveBatch batch;
    const auto finish = [&] {
        stamp(batch.transaction);
        return std::move(batch);
    };
    QSet<QString> reserved;
    QStringList unreadable; // the shown names of planned files that no path of ours names
    for (const Step& step : steps) {
        // Gone since planning: passed over without a word. Unless what the plan names is the
        // lossy reading of a name that is not UTF-8: that file is there, and is said to stay.
        if (!existsNoFollow(step.source)) {
            if (hasInexactNameShownAs(step.source))
                unreadable.append(lastComponent(step.source));
            continue;
        }

        const QString folder = parentPath(step.destination);
        const QByteArray encodedFolder = encoded(folder);
        struct stat st;
        if (::lstat(encodedFolder.constData(), &st) != 0) {
            std::error_code error;
            std::filesystem::create_directories(std::filesystem::path(encodedFolder.toStdString()), error);
            if (error)
                return failed(FileSystemError{FileOperation::createFolder, error.value(), folder}, finish());
        } else if (::stat(encodedFolder.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            // A file, or a dangling symlink, where the folder should be.
            return failed(PortalOperationError::destinationNotDirectory(folder), finish());
        }

        QString target = step.destination;
        if (existsNoFollow(target) || reserved.contains(target)) {
            const auto fresh = FolderPortalEngine::uniqueDestinationURL(QUrl::fromLocalFile(folder),
                                                                        lastComponent(step.source), reserved);
            target = standardizedPath(fresh.url).value_or(QString());
        } else {
            reserved.insert(target);
        }

        auto moved = FolderPortalEngine::performSafeMove(QUrl::fromLocalFile(step.source),
                                                         QUrl::fromLocalFile(target));
        if (!moved) {
            // Taken away between the check and the move: passed over like any missing source.
            if (sourceVanished(moved.error(), step.source))
                continue;
            return failed(moved.error(), finish());
        }
        batch.transaction.moves.append(MovedFilePair{step.source, target});
        batch.identities.append(moved.value());
    }
    return FolderPortalEngine::concludeBatch(finish(), unreadable);
}

} // namespace mv::SmartRulesEngine
