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

QString unreadableFileReason() { return QStringLiteral("ファイルを読めません。"); }

QString designFileRefusedMessage(const QString& path, const QString& reason)
{
    return QStringLiteral("設計を開けません。\n%1\n%2").arg(path, reason);
}

}  // namespace torvel
