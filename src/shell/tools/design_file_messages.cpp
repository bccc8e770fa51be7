#include "shell/tools/design_file_messages.h"

namespace torvel {
namespace {

QString seriesName(const std::string& key)
{
    if (key == "E1")
        return QStringLiteral("抵抗のＥ系列 (E1)");
    if (key == "E2")
        return QStringLiteral("コンデンサのＥ系列 (E2)");
    return QString::fromStdString(key);
}

}  // namespace

QString japaneseReason(const DesignFileRefusal& refusal)
{
    switch (refusal.problem) {
    case DesignFileProblem::NotJson:
        return QStringLiteral("設計ファイルではありません (JSON のオブジェクトがありません)。");
    case DesignFileProblem::HoldsNul:
        return QStringLiteral("設計ファイルではありません (NUL バイトを含んでいます)。");
    case DesignFileProblem::ForeignFormat:
        return QStringLiteral("このプログラムの設計ファイルではありません (format が \"torvel-design\" ではありません)。");
    case DesignFileProblem::UnsupportedVersion:
        return QStringLiteral("この版の設計ファイルは読めません (読めるのは version 1 です)。");
    case DesignFileProblem::UnknownType:
        return QStringLiteral("設計ファイルのフィルタ形式が分かりません。");
    case DesignFileProblem::NoFields:
        return QStringLiteral("設計ファイルに素子値と伝達関数の値 (fields) がありません。");
    case DesignFileProblem::MissingField:
        return QStringLiteral("設計ファイルに %1 の値がありません。").arg(QString::fromStdString(refusal.subject));
    case DesignFileProblem::MissingSeries:
        return QStringLiteral("設計ファイルに%1がありません。").arg(seriesName(refusal.subject));
    }
    return QString::fromStdString(refusal.text);
}

QString unreadableFileReason(const FileReadOutcome& read)
{
    switch (read.status) {
    case FileStatus::Missing: return QStringLiteral("ファイルがありません。");
    case FileStatus::NotRegularFile: return QStringLiteral("通常のファイルではありません (フォルダ、デバイス、FIFO など)。");
    case FileStatus::TooLarge: return QStringLiteral("設計ファイルとしては大きすぎます (%1 を超えています)。").arg(QStringLiteral("1 MB"));
    case FileStatus::Done:
    case FileStatus::SystemError: break;
    }
    return QStringLiteral("ファイルを読めません (%1)。").arg(QString::fromStdString(read.reason));
}

QString designFileRefusedMessage(const QString& path, const QString& reason)
{
    return QStringLiteral("設計を開けません。\n%1\n%2").arg(path, reason);
}

}  // namespace torvel
