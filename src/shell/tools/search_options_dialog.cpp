#include "shell/tools/search_options_dialog.h"

#include "search/option_texts.h"
#include "shell/tools/search_texts.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <string>

namespace torvel {

std::optional<search::SearchOptions> askSearchOptions(QWidget& parent, const search::SearchOptions& last)
{
    QDialog dialog(&parent);
    dialog.setObjectName(QStringLiteral("OptimiseOptions"));
    dialog.setWindowTitle(QStringLiteral("最適化"));
    auto* form = new QFormLayout;
    auto* equalC = new QCheckBox(QStringLiteral("C1 = C2 にする"), &dialog);
    equalC->setChecked(last.keepEqualC);
    auto* equalR = new QCheckBox(QStringLiteral("R5 = R6 にする"), &dialog);
    equalR->setChecked(last.keepR5R6);
    QStringList pairNames;
    for (Field field : kAllFields)
        if (static_cast<int>(field) <= static_cast<int>(Field::R10) && last.pairs.contains(field))
            pairNames << QString::fromStdString(std::string(fieldInfo(field).key));
    auto* pairs = new QLineEdit(pairNames.join(QLatin1Char(',')), &dialog);
    pairs->setPlaceholderText(QStringLiteral("例: R1,R3"));
    const auto edit = [&](double value) { return new QLineEdit(searchValueText(value), &dialog); };
    QLineEdit* rLow = edit(last.resistors.low);
    QLineEdit* rHigh = edit(last.resistors.high);
    QLineEdit* cLow = edit(last.capacitors.low);
    QLineEdit* cHigh = edit(last.capacitors.high);
    auto* largest = new QLineEdit(QString::number(last.largestAcceptedError * 100), &dialog);
    auto* limit = new QLineEdit(QString::number(last.timeLimitSeconds), &dialog);
    form->addRow(equalC);
    form->addRow(equalR);
    form->addRow(QStringLiteral("2部品(直列/並列)にしてよい素子"), pairs);
    form->addRow(QStringLiteral("抵抗の範囲"), rLow);
    form->addRow(QStringLiteral("〜"), rHigh);
    form->addRow(QStringLiteral("コンデンサの範囲"), cLow);
    form->addRow(QStringLiteral("〜 "), cHigh);
    form->addRow(QStringLiteral("許容する最大誤差 (%)"), largest);
    form->addRow(QStringLiteral("時間制限 (秒, 0 は無制限)"), limit);
    auto* problem = new QLabel(&dialog);
    problem->setObjectName(QStringLiteral("OptimiseOptionsProblem"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(problem);
    layout->addWidget(buttons);

    std::optional<search::SearchOptions> chosen;
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        search::SearchOptionTexts texts;
        texts.keepEqualC = equalC->isChecked();
        texts.keepR5R6 = equalR->isChecked();
        texts.pairs = pairs->text().toStdString();
        texts.resistorLow = rLow->text().toStdString();
        texts.resistorHigh = rHigh->text().toStdString();
        texts.capacitorLow = cLow->text().toStdString();
        texts.capacitorHigh = cHigh->text().toStdString();
        bool numbers = true;
        bool read = false;
        texts.largestErrorPercent = largest->text().toDouble(&read);
        numbers = numbers && read;
        texts.timeLimitSeconds = limit->text().toDouble(&read);
        numbers = numbers && read;
        std::string error = "the accepted error and the time limit must be numbers";
        chosen = numbers ? search::readSearchOptions(texts, error) : std::nullopt;
        if (chosen) {
            chosen->errorResolution = last.errorResolution;
            dialog.accept();
        } else {
            problem->setText(QString::fromStdString(error));
        }
    });
    return dialog.exec() == QDialog::Accepted ? chosen : std::nullopt;
}

}  // namespace torvel
