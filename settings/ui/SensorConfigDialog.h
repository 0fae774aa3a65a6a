#pragma once

#include <string>

#include "ConfigFileWriter.h"
#include "SensitivityMemory.h"
#include "SettingsDialog.h"

class ArrowPicture;
class BitmapRadioButton;
class QSlider;

// "「ソラミル」の設定：衝撃検出感度": vehicle type and three sliders, written as halc.inf to a
// folder the user picks; the choice is remembered per vehicle type in Halcyra.ini.
class SensorConfigDialog : public SettingsDialog {
    Q_OBJECT

public:
    explicit SensorConfigDialog(QWidget* parent = nullptr);
    // `programFolder` (ending in "/") is where the chooser starts and, when it is the user's
    // own, holds Halcyra.ini (else the user's configuration folder does); tests give each case
    // a folder of its own.
    SensorConfigDialog(QWidget* parent, std::string programFolder);

    void onCarClicked();
    void onTruckClicked();
    // "設定出力": choose the target, write halc.inf, remember the choice, close. A write error
    // after the open leaves as FileError.
    void OnOK() override;

private:
    bool OnInitDialog();
    void setPositions(const SensitivityPositions& positions);

    SensitivityMemory memory_;
    ConfigFileWriter writer_;
    ArrowPicture* arrow_ = nullptr;
    QSlider* frontBack_ = nullptr;
    QSlider* leftRight_ = nullptr;
    QSlider* upDown_ = nullptr;
    BitmapRadioButton* carButton_ = nullptr;
    BitmapRadioButton* truckButton_ = nullptr;
};
