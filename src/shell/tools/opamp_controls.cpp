#include "shell/tools/opamp_controls.h"

#include "design/realised_values.h"
#include "opamp/opamp_catalogue.h"
#include "values/engineering_notation.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>

namespace torvel {
namespace {

constexpr double kDefaultAmplitude = 1;
const QString kRed = QStringLiteral("color: #c00000;");

QString figure(double value) { return QString::number(value, 'g', 4); }

QLineEdit* newField(const char* objectName, const QString& placeholder, const QString& toolTip)
{
    auto* field = new QLineEdit;
    field->setObjectName(QString::fromLatin1(objectName));
    field->setPlaceholderText(placeholder);
    field->setToolTip(toolTip);
    field->setMaximumWidth(90);
    return field;
}

// A typed figure, or nothing when the text does not read as a number >= 0.
std::optional<double> typed(const QLineEdit* field)
{
    const double value = ParseEngineering(field->text().toStdString());
    if (!std::isfinite(value) || !(value >= 0))
        return std::nullopt;
    return value;
}

QString realisedText(const RealisedValues& values)
{
    QStringList parts;
    for (int i = 0; i < values.count; ++i) {
        const RealisedValue& v = values.values[static_cast<std::size_t>(i)];
        parts << QStringLiteral("%1 %2 (%3%)")
                     .arg(QString::fromLatin1(v.name.data(), static_cast<qsizetype>(v.name.size())))
                     .arg(v.realised, 0, 'g', 6)
                     .arg(QString::fromStdString(errorPercentText(v.errorPercent, 2, true)));
    }
    return parts.join(QStringLiteral("  "));
}

}  // namespace

OpAmpControls::OpAmpControls(QLineEdit* gainBandwidth, QWidget* parent) : QWidget(parent), m_gbw(gainBandwidth)
{
    setObjectName(QStringLiteral("OpAmpControls"));
    m_choice = new QComboBox;
    m_choice->setObjectName(QStringLiteral("OpAmpChoice"));
    m_choice->addItem(QStringLiteral("理想"), QString());
    for (const CatalogueEntry& entry : opAmpCatalogue()) {
        const QString name = QString::fromLatin1(entry.name.data(), static_cast<qsizetype>(entry.name.size()));
        m_choice->addItem(name, name);
    }
    m_choice->addItem(QStringLiteral("カスタム"), QString::fromLatin1(kCustomOpAmp.data(), static_cast<qsizetype>(kCustomOpAmp.size())));
    m_choice->setToolTip(QStringLiteral("オペアンプ: データシートの標準値、またはカスタム (値を入力)"));

    m_slew = newField("SlewRate", QStringLiteral("∞"), QStringLiteral("スルーレート (V/µs)。空欄は制限なし"));
    m_swing = newField("OutputSwing", QStringLiteral("∞"), QStringLiteral("出力振幅の限界 (V): 13 で ±13 V、-12,13 で各レール"));
    m_en = newField("VoltageNoise", QStringLiteral("0"), QStringLiteral("入力換算雑音電圧 (nV/√Hz)"));
    m_in = newField("CurrentNoise", QStringLiteral("0"), QStringLiteral("入力換算雑音電流 (pA/√Hz)"));
    m_amplitude = newField("InputAmplitude", QString(), QStringLiteral("入力信号の振幅 (V ピーク): 振幅とスルーレートの検査に使います"));
    m_amplitude->setText(figure(kDefaultAmplitude));
    m_precorrect = new QPushButton(QStringLiteral("補正"));
    m_precorrect->setObjectName(QStringLiteral("Precorrect"));
    m_precorrect->setToolTip(QStringLiteral("このオペアンプで fo と Q が指定どおりになる定数を求め、部品欄に書きます (回路定数算出は別)"));
    m_warnings = new QLabel;
    m_warnings->setObjectName(QStringLiteral("OpAmpWarnings"));
    m_warnings->setWordWrap(true);
    m_result = new QLabel;
    m_result->setObjectName(QStringLiteral("PrecorrectionResult"));
    m_result->setWordWrap(true);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    int column = 0;
    const auto add = [&](const QString& caption, QWidget* widget) {
        auto* label = new QLabel(caption);
        label->setBuddy(widget);
        grid->addWidget(label, 0, column++);
        grid->addWidget(widget, 0, column++);
    };
    add(QStringLiteral("オペアンプ"), m_choice);
    add(QStringLiteral("SR(V/µs)"), m_slew);
    add(QStringLiteral("振幅(V)"), m_swing);
    add(QStringLiteral("en(nV)"), m_en);
    add(QStringLiteral("in(pA)"), m_in);
    add(QStringLiteral("入力(Vp)"), m_amplitude);
    grid->addWidget(m_precorrect, 0, column++);
    grid->setColumnStretch(column, 1);
    grid->addWidget(m_warnings, 1, 0, 1, column + 1);
    grid->addWidget(m_result, 2, 0, 1, column + 1);

    connect(m_choice, &QComboBox::activated, this, &OpAmpControls::choose);
    for (QLineEdit* field : {m_gbw, m_slew, m_swing, m_en, m_in})
        connect(field, &QLineEdit::textEdited, this, &OpAmpControls::makeCustom);
    for (QLineEdit* field : {m_slew, m_swing, m_en, m_in, m_amplitude})
        connect(field, &QLineEdit::editingFinished, this, &OpAmpControls::changed);
    connect(m_precorrect, &QPushButton::clicked, this, &OpAmpControls::precorrectionRequested);
}

void OpAmpControls::choose(int index)
{
    const std::optional<OpAmpFigures> part = opAmpByName(m_choice->itemData(index).toString().toStdString());
    if (index == 0) {
        for (QLineEdit* field : {m_gbw, m_slew, m_swing, m_en, m_in})
            field->clear();
    } else if (part && part->name != kCustomOpAmp) {
        m_gbw->setText(figure(part->gainBandwidthHz / 1e6) + QStringLiteral("M"));
        m_slew->setText(figure(part->slewRate * 1e-6));
        m_swing->setText(part->outputHigh() == -part->outputLow()
                             ? figure(part->outputHigh())
                             : figure(part->outputLow()) + QStringLiteral(",") + figure(part->outputHigh()));
        m_en->setText(figure(part->voltageNoise * 1e9));
        m_in->setText(figure(part->currentNoise * 1e12));
    }
    emit changed();
}

void OpAmpControls::makeCustom()
{
    m_choice->setCurrentIndex(m_choice->count() - 1);
}

OpAmpFigures OpAmpControls::spec() const
{
    const int index = m_choice->currentIndex();
    if (index > 0 && index < m_choice->count() - 1)
        if (std::optional<OpAmpFigures> part = opAmpByName(m_choice->currentData().toString().toStdString()))
            return *part;
    OpAmpFigures spec;
    if (index == 0)
        spec.name = "ideal";
    const double gbw = ParseEngineering(m_gbw->text().toStdString());
    spec.gainBandwidthHz = gbw > 0 && std::isfinite(gbw) ? gbw : 0;
    if (const std::optional<double> slew = typed(m_slew); slew && *slew > 0)
        spec.slewRate = *slew * 1e6;
    const QString swing = m_swing->text();
    const qsizetype comma = swing.indexOf(QLatin1Char(','));
    if (comma < 0) {
        const double v = ParseEngineering(swing.toStdString());
        if (v > 0 && std::isfinite(v)) {
            spec.railNegative = -v;
            spec.railPositive = v;
        }
    } else {
        const double lo = ParseEngineering(swing.left(comma).toStdString());
        const double hi = ParseEngineering(swing.mid(comma + 1).toStdString());
        if (std::isfinite(lo) && std::isfinite(hi) && lo < hi) {
            spec.railNegative = lo;
            spec.railPositive = hi;
        }
    }
    spec.voltageNoise = typed(m_en).value_or(0) * 1e-9;
    spec.currentNoise = typed(m_in).value_or(0) * 1e-12;
    return spec;
}

double OpAmpControls::amplitude() const
{
    const std::optional<double> a = typed(m_amplitude);
    return a && *a > 0 ? *a : kDefaultAmplitude;
}

void OpAmpControls::showChecks(const SignalChecks& checks) { showWarnings(checks.warnings, checks.amplitudeV); }

void OpAmpControls::showWarnings(const std::vector<std::string>& warnings, double amplitudeV)
{
    QStringList lines;
    for (const std::string& w : warnings)
        lines << QString::fromStdString(w);
    m_warnings->setStyleSheet(lines.isEmpty() ? QString() : kRed);
    m_warnings->setText(lines.isEmpty() ? QStringLiteral("振幅・スルーレート: 余裕あり (入力 %1 Vp)").arg(figure(amplitudeV))
                                        : lines.join(QLatin1Char('\n')));
}

void OpAmpControls::setPrecorrectionShown(bool shown)
{
    m_precorrect->setVisible(shown);
    m_result->setVisible(shown);
}

void OpAmpControls::showPrecorrection(const PrecorrectionOutcome& outcome)
{
    m_result->setStyleSheet(kRed);
    if (outcome.command.status == CommandStatus::Fault) {
        m_result->setText(QString::fromStdString(outcome.command.faultText));
        return;
    }
    if (!outcome.result) {
        m_result->clear();
        return;
    }
    const Precorrection& p = *outcome.result;
    if (p.status != PrecorrectionStatus::Corrected) {
        m_result->setText(QString::fromStdString(p.refusal));
        return;
    }
    m_result->setStyleSheet(QString());
    QString text = QStringLiteral("補正後 %1").arg(realisedText(p.realised));
    if (p.uncorrected)
        text += QStringLiteral("   補正前 %1").arg(realisedText(*p.uncorrected));
    m_result->setText(text);
}

}  // namespace torvel
