#include "SensorConfigDialog.h"

#include <QLabel>
#include <QPixmap>
#include <QSlider>

#include "ArrowPicture.h"
#include "BitmapRadioButton.h"
#include "DialogUnits.h"
#include "OutputTarget.h"
#include "ProgramFolder.h"
#include "ResourcePaths.h"
#include "ScaledPixmap.h"
#include "UserLocations.h"

namespace {

namespace text {
constexpr const char* title = "「ソラミル」の設定：衝撃検出感度";
constexpr const char* explanation =
    "急ブレーキ・急発進・急ハンドル等を検出する感度を設定します。\n"
    "「低」にするほど検出しにくくなり、「高」にするほど検出しやすくなります。";
constexpr const char* low = "低";
constexpr const char* high = "高";
constexpr const char* frontBack = "前後";
constexpr const char* leftRight = "左右";
constexpr const char* upDown = "上下";
constexpr const char* fileName = "halc.inf";
constexpr const char* iniName = "Halcyra.ini";
// What the picture-only controls are called, for a screen reader and in their tooltips.
constexpr const char* car = "乗用車";
constexpr const char* carHelp = "乗用車の感度にします。前回出力した乗用車の感度を読み込みます。";
constexpr const char* truck = "トラック";
constexpr const char* truckHelp =
    "トラックの感度にします。前回出力したトラックの感度を読み込みます。";
constexpr const char* arrow = "低 ↔ 高";
constexpr const char* arrowHelp = "スライダーを左にするほど検出しにくく、右にするほど検出しやすくなります。";
}  // namespace text

void describe(QWidget* control, const char* name, const char* help) {
    control->setAccessibleName(QString::fromUtf8(name));
    control->setAccessibleDescription(QString::fromUtf8(help));
    control->setToolTip(QString::fromUtf8(help));
}

// Template 163, in dialog units.
constexpr int dialogWidth = 248;
constexpr int dialogHeight = 153;

enum ControlId {
    frontBackId = 1011,
    leftRightId = 1012,
    upDownId = 1013,
    arrowId = 1022,
    carId = 1040,
    truckId = 1041,
};

QLabel* label(QWidget* parent, const char* content, Qt::Alignment alignment) {
    auto* widget = new QLabel(QString::fromUtf8(content), parent);
    widget->setAlignment(alignment | Qt::AlignTop);
    widget->setWordWrap(true);
    return widget;
}

QSlider* slider(QWidget* parent) {
    auto* widget = new QSlider(Qt::Horizontal, parent);
    widget->setTickPosition(QSlider::TicksBelow);
    widget->setTickInterval(1);
    widget->setPageStep(2);  // a page is a fifth of the range
    widget->setFocusPolicy(Qt::StrongFocus);
    return widget;
}

}  // namespace

SensorConfigDialog::SensorConfigDialog(QWidget* parent)
    : SensorConfigDialog(parent, programFolder()) {}

SensorConfigDialog::SensorConfigDialog(QWidget* parent, std::string programFolder)
    : SettingsDialog(parent, std::move(programFolder), text::title, {dialogWidth, dialogHeight}),
      memory_(UserLocations::forProgramFolder(programFolderPath()).settingsFolder() +
              text::iniName) {
    const DialogUnits& units = this->units();

    // Created in the template's order, which is also the tab order.
    units.place(label(this, text::explanation, Qt::AlignLeft), {7, 7, 233, 19}, "explanation");
    carButton_ = units.place(new BitmapRadioButton(this), {11, 35, 45, 31}, "car", carId);
    truckButton_ = units.place(new BitmapRadioButton(this), {11, 81, 45, 31}, "truck", truckId);
    units.place(label(this, text::low, Qt::AlignHCenter), {89, 31, 21, 8}, "low");
    arrow_ = units.place(new ArrowPicture(this), {112, 32, 109, 6}, "arrow", arrowId);
    units.place(label(this, text::high, Qt::AlignHCenter), {220, 31, 21, 8}, "high");
    units.place(label(this, text::frontBack, Qt::AlignLeft), {74, 52, 17, 8}, "frontBackLabel");
    frontBack_ = units.place(slider(this), {91, 47, 149, 20}, "frontBack", frontBackId);
    units.place(label(this, text::leftRight, Qt::AlignLeft), {74, 79, 17, 8}, "leftRightLabel");
    leftRight_ = units.place(slider(this), {91, 73, 149, 20}, "leftRight", leftRightId);
    units.place(label(this, text::upDown, Qt::AlignLeft), {74, 107, 17, 8}, "upDownLabel");
    upDown_ = units.place(slider(this), {91, 100, 149, 20}, "upDown", upDownId);
    addButtons({37, 132, 50, 14}, {153, 132, 50, 14});

    describe(carButton_, text::car, text::carHelp);
    describe(truckButton_, text::truck, text::truckHelp);
    describe(arrow_, text::arrow, text::arrowHelp);
    frontBack_->setAccessibleName(QString::fromUtf8(text::frontBack));
    leftRight_->setAccessibleName(QString::fromUtf8(text::leftRight));
    upDown_->setAccessibleName(QString::fromUtf8(text::upDown));

    connect(carButton_, &BitmapRadioButton::clicked, this, &SensorConfigDialog::onCarClicked);
    connect(truckButton_, &BitmapRadioButton::clicked, this, &SensorConfigDialog::onTruckClicked);

    OnInitDialog();
}

bool SensorConfigDialog::OnInitDialog() {
    carButton_->setPicture(ScaledPixmap(resourcePaths::carPicture));
    carButton_->setChecked(true);
    truckButton_->setPicture(ScaledPixmap(resourcePaths::truckPicture));

    for (QSlider* axis : {frontBack_, leftRight_, upDown_}) {
        axis->setRange(0, 10);
    }
    setPositions(SensitivityMemory::defaults(carVehicle));

    const VehicleType vehicleType = memory_.loadVehicleType();
    if (vehicleType == truckVehicle) {
        carButton_->setChecked(false);
        truckButton_->setChecked(true);
    }
    setPositions(memory_.loadPositions(vehicleType));
    return true;
}

void SensorConfigDialog::setPositions(const SensitivityPositions& positions) {
    // The sliders pull stored values outside 0 to 10 to the nearest end.
    frontBack_->setValue(positions.frontBack);
    leftRight_->setValue(positions.leftRight);
    upDown_->setValue(positions.upDown);
}

void SensorConfigDialog::onCarClicked() {
    carButton_->setChecked(true);
    truckButton_->setChecked(false);
    setPositions(SensitivityMemory::defaults(carVehicle));
    setPositions(memory_.loadPositions(carVehicle));
}

void SensorConfigDialog::onTruckClicked() {
    carButton_->setChecked(false);
    truckButton_->setChecked(true);
    setPositions(SensitivityMemory::defaults(truckVehicle));
    setPositions(memory_.loadPositions(truckVehicle));
}

void SensorConfigDialog::OnOK() {
    const auto target = chooseOutputTarget(text::fileName, programFolderPath());
    if (!target) {
        return;
    }
    const VehicleType vehicleType = carButton_->isChecked() ? carVehicle : truckVehicle;
    const SensitivityPositions positions{frontBack_->value(), leftRight_->value(),
                                         upDown_->value()};
    writer_.setSensitivity(vehicleType, positions.leftRight, positions.frontBack, positions.upDown);
    if (!writer_.writeSensitivityFile(*target)) {
        return;
    }
    memory_.save(vehicleType, positions);
    accept();
}
