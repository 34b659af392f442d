#include "app/ui/ModeCard.h"

#include "app/ui/ButtonStyles.h"
#include "app/ui/ModeChoice.h"
#include "app/ui/StepHeader.h"
#include "app/ui/UiColors.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

namespace plumeo::ui {
namespace {

constexpr int minimumSpeed = 30;
constexpr int maximumSpeed = 1200;
// The slider moves in whole percent; the model clamps the rate to 0 … 40 %.
constexpr int maximumRatePercent = 40;
// Rates arrive as doubles after clamping; a hair below a threshold still counts as on it.
constexpr double thresholdSlack = 1e-9;

QLabel* wrapped(const QString& text, QWidget* parent, bool secondary = true) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    if (secondary) {
        QPalette colours = label->palette();
        colours.setColor(QPalette::WindowText, secondaryText(colours));
        label->setPalette(colours);
    }
    return label;
}

QWidget* row(QWidget* parent, std::initializer_list<QWidget*> widgets, bool stretch = true) {
    auto* holder = new QWidget(parent);
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* widget : widgets)
        layout->addWidget(
            widget, widget->sizePolicy().horizontalPolicy() == QSizePolicy::Expanding ? 1 : 0);
    if (stretch)
        layout->addStretch();
    return holder;
}

} // namespace

QString typoRateWarning(double rate) {
    if (rate >= 0.2 - thresholdSlack)
        return QStringLiteral("提示：真人打字的字符错误率约 "
                              "1~2%"
                              "，这个比例远高于真实水平；而且每个错字都要先读回核实位置才会退格，比"
                              "例越高输入越慢、中途暂停的概率也越高。");
    if (rate >= 0.1 - thresholdSlack)
        return QStringLiteral(
            "提示：已明显高于真人水平（约 1~2%）。每个错字都会多一次读回核对，输入会变慢。");
    return {};
}

ModeCard::ModeCard(QWidget* parent) : Card(parent) {
    contentLayout()->addWidget(new StepHeader(3, QStringLiteral("选择输入方式"), this));
    // During a session the settings cannot change; the card folds to its title to leave room
    // for the session card.
    body_ = new QWidget(this);
    contentLayout()->addWidget(body_);
    auto* layout = new QVBoxLayout(body_);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* choices = new QHBoxLayout;
    const struct {
        TypingMode mode;
        const char* subtitle;
        Symbol symbol;
    } modes[] = {{TypingMode::stable, "适中 · 逐段核对", Symbol::checkShield},
                 {TypingMode::fast, "按 Word 速度", Symbol::bolt},
                 {TypingMode::natural, "有快有慢", Symbol::waveform}};
    for (const auto& entry : modes) {
        auto* choice = new ModeChoice(QString::fromStdString(title(entry.mode)),
                                      QString::fromUtf8(entry.subtitle), entry.symbol, this);
        choices->addWidget(choice);
        choices_.append(choice);
        const TypingMode mode = entry.mode;
        connect(choice, &QAbstractButton::clicked, this, [this, mode] { emit modeChosen(mode); });
    }
    layout->addLayout(choices);

    fastNote_ =
        wrapped(QStringLiteral(
                    "极速：不设固定速度，按 Word 实际处理能力自适应；仍然分段读回核对，随时可停。"),
                this);
    naturalNote_ = wrapped(
        QStringLiteral(
            "自然节奏只是输入的显示效果，不是「真人原创证明」，也不保证其他软件无法识别自动输入。"),
        this);
    layout->addWidget(fastNote_);
    layout->addWidget(naturalNote_);

    bySpeed_ = new StyledButton(QStringLiteral("按速度"), ButtonStyle::secondary, this);
    byDuration_ = new StyledButton(QStringLiteral("按总时长"), ButtonStyle::secondary, this);
    for (StyledButton* segment : {bySpeed_, byDuration_}) {
        segment->setCheckable(true);
        segment->setAutoExclusive(true);
    }
    // The estimate shares the picker's line, so that the start card below fits the window's
    // default height.
    estimate_ = new QLabel(this);
    QPalette estimateColours = estimate_->palette();
    estimateColours.setColor(QPalette::WindowText, secondaryText(estimateColours));
    estimate_->setPalette(estimateColours);
    pacePicker_ = row(this, {bySpeed_, byDuration_});
    pacePicker_->layout()->addWidget(estimate_);
    layout->addWidget(pacePicker_);
    connect(bySpeed_, &QAbstractButton::clicked, this,
            [this] { emit paceByDurationChosen(false); });
    connect(byDuration_, &QAbstractButton::clicked, this,
            [this] { emit paceByDurationChosen(true); });

    speedValue_ = new QLabel(this);
    speedSlider_ = new QSlider(Qt::Horizontal, this);
    speedSlider_->setRange(minimumSpeed, maximumSpeed);
    speedSlider_->setSingleStep(10);
    speedSlider_->setPageStep(100);
    speedSlider_->setAccessibleName(QStringLiteral("速度"));
    speedSlider_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    speedRow_ = row(this, {new QLabel(QStringLiteral("速度"), this), speedValue_, speedSlider_},
                    false);
    layout->addWidget(speedRow_);
    connect(speedSlider_, &QSlider::valueChanged, this,
            [this](int value) { emit speedChosen(value); });

    minutes_ = new QSpinBox(this);
    minutes_->setRange(1, 600);
    minutes_->setSuffix(QStringLiteral(" 分钟"));
    minutes_->setAccessibleName(QStringLiteral("整篇打完用时"));
    durationNote_ = wrapped({}, this);
    durationRow_ = new QWidget(this);
    auto* durationLayout = new QVBoxLayout(durationRow_);
    durationLayout->setContentsMargins(0, 0, 0, 0);
    durationLayout->addWidget(
        row(durationRow_, {new QLabel(QStringLiteral("整篇打完用时"), durationRow_), minutes_}));
    durationLayout->addWidget(durationNote_);
    layout->addWidget(durationRow_);
    connect(minutes_, &QSpinBox::valueChanged, this,
            [this](int value) { emit targetMinutesChosen(value); });


    typos_ = new QCheckBox(QStringLiteral("偶尔打错再改正"), this);
    typoExplanation_ =
        wrapped(QStringLiteral("英文敲相邻键、中文选错同音字；读回核实后才退格"), this);
    layout->addWidget(typos_);
    layout->addWidget(typoExplanation_);
    connect(typos_, &QCheckBox::toggled, this, &ModeCard::typoEnabledChosen);

    rateSlider_ = new QSlider(Qt::Horizontal, this);
    rateSlider_->setRange(0, maximumRatePercent);
    rateSlider_->setAccessibleName(QStringLiteral("打错的比例"));
    rateSlider_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    rateValue_ = new QLabel(this);
    rateWarning_ = new QLabel(this);
    rateWarning_->setWordWrap(true);
    QPalette warningColours = rateWarning_->palette();
    warningColours.setColor(QPalette::WindowText, warning(warningColours));
    rateWarning_->setPalette(warningColours);
    rateRow_ = new QWidget(this);
    auto* rateLayout = new QVBoxLayout(rateRow_);
    rateLayout->setContentsMargins(0, 0, 0, 0);
    rateLayout->addWidget(
        row(rateRow_, {new QLabel(QStringLiteral("打错的比例"), rateRow_), rateSlider_, rateValue_},
            false));
    rateLayout->addWidget(rateWarning_);
    layout->addWidget(rateRow_);
    connect(rateSlider_, &QSlider::valueChanged, this,
            [this](int percent) { emit typoRateChosen(percent / 100.0); });

    setMode(TypingMode::stable);
    setPaceByDuration(false);
    setTypoRate(0.08, QStringLiteral("8%"));
}

void ModeCard::setMode(TypingMode mode) {
    mode_ = mode;
    for (int i = 0; i < choices_.size(); ++i)
        choices_[i]->setChecked(allTypingModes[std::size_t(i)] == mode);
    updateVisibility();
}

void ModeCard::setSpeed(double unitsPerMinute) {
    const QSignalBlocker quiet(speedSlider_);
    speedSlider_->setValue(int(std::lround(unitsPerMinute)));
    speedValue_->setText(QString::number(int(unitsPerMinute)) + QStringLiteral(" 字/分钟"));
}

void ModeCard::setPaceByDuration(bool byDuration) {
    paceByDuration_ = byDuration;
    bySpeed_->setChecked(!byDuration);
    byDuration_->setChecked(byDuration);
    updateVisibility();
}

void ModeCard::setTargetMinutes(double minutes) {
    const QSignalBlocker quiet(minutes_);
    minutes_->setValue(int(std::lround(minutes)));
}

void ModeCard::setDurationNote(const QString& note) {
    durationNote_->setText(note);
    durationNote_->setVisible(!note.isEmpty());
}

void ModeCard::setEstimateText(const QString& estimate) {
    estimate_->setText(estimate.isEmpty() ? QString() : QStringLiteral("预计用时：") + estimate);
    estimate_->setVisible(!estimate.isEmpty());
}

void ModeCard::setTypoEnabled(bool enabled) {
    typoEnabled_ = enabled;
    const QSignalBlocker quiet(typos_);
    typos_->setChecked(enabled);
    updateVisibility();
}

void ModeCard::setTypoRate(double rate, const QString& rateText) {
    {
        const QSignalBlocker quiet(rateSlider_);
        rateSlider_->setValue(int(std::lround(rate * 100)));
    }
    rateValue_->setText(rateText);
    const QString warningText = typoRateWarning(rate);
    rateWarning_->setText(warningText);
    rateWarning_->setVisible(!warningText.isEmpty());
}

void ModeCard::setLocked(bool locked) {
    body_->setEnabled(!locked);
    body_->setVisible(!locked);
}

QString ModeCard::shownTypoWarning() const {
    return rateRow_->isVisibleTo(this) && rateWarning_->isVisibleTo(this) ? rateWarning_->text()
                                                                          : QString();
}

void ModeCard::updateVisibility() {
    const bool fast = mode_ == TypingMode::fast;
    const bool natural = mode_ == TypingMode::natural;
    fastNote_->setVisible(fast);
    naturalNote_->setVisible(natural);
    bySpeed_->setVisible(!fast);
    byDuration_->setVisible(!fast);
    speedRow_->setVisible(!fast && !paceByDuration_);
    durationRow_->setVisible(!fast && paceByDuration_);
    typos_->setVisible(natural);
    typoExplanation_->setVisible(natural);
    rateRow_->setVisible(natural && typoEnabled_);
}

} // namespace plumeo::ui
