#include <gtest/gtest.h>

#include <filesystem>

#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "ArrowPicture.h"
#include "BitmapRadioButton.h"
#include "DialogUnits.h"
#include "ScriptedPrompts.h"
#include "SensorConfigDialog.h"
#include "FileBytes.h"
#include "TempFolder.h"

namespace {

constexpr const char* carDefaultsFile =
    "xSummationUpper=0.30\r\nySummationUpper=0.20\r\nzSummationUpper=0.26\r\n"
    "xSummationLower=0.30\r\nySummationLower=0.20\r\nzSummationLower=0.26\r\n"
    "xMomentUpper=0.60\r\nyMomentUpper=0.60\r\nzMomentUpper=0.60\r\n"
    "xMomentLower=0.60\r\nyMomentLower=0.60\r\nzMomentLower=0.60\r\n";

// The dialog as a user sees it: shown, found by its controls' names.
class Sensor {
public:
    explicit Sensor(const std::string& programFolder) : dialog(nullptr, programFolder) {
        dialog.show();
    }

    template <typename Widget>
    Widget* control(const char* name) {
        auto* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    BitmapRadioButton* car() { return control<BitmapRadioButton>("car"); }
    BitmapRadioButton* truck() { return control<BitmapRadioButton>("truck"); }
    // 前後, 左右, 上下
    std::array<int, 3> positions() {
        return {control<QSlider>("frontBack")->value(), control<QSlider>("leftRight")->value(),
                control<QSlider>("upDown")->value()};
    }
    void move(int frontBack, int leftRight, int upDown) {
        control<QSlider>("frontBack")->setValue(frontBack);
        control<QSlider>("leftRight")->setValue(leftRight);
        control<QSlider>("upDown")->setValue(upDown);
    }
    void output() { control<QPushButton>("ok")->click(); }
    bool stillOpen() { return dialog.isVisible() && dialog.result() != QDialog::Accepted; }

    SensorConfigDialog dialog;
};

class SensorConfigDialogTest : public ::testing::Test {
protected:
    void SetUp() override { Prompts::install(&prompts); }

    ScriptedPrompts prompts;
    TempFolder program;
    TempFolder card;
    std::string ini = program.file("Halcyra.ini");
    std::string halcInf = card.file("halc.inf");
};

TEST_F(SensorConfigDialogTest, FirstRunShowsCarDefaultsAndWritesTheExample) {
    Sensor sensor(program.path());
    EXPECT_TRUE(sensor.car()->isChecked());
    EXPECT_FALSE(sensor.truck()->isChecked());
    EXPECT_EQ(sensor.positions(), (std::array<int, 3>{10, 5, 7}));

    prompts.folderAnswers = {card.path()};
    sensor.output();
    EXPECT_EQ(sensor.dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(sensor.dialog.isVisible());
    EXPECT_EQ(readBytes(halcInf), carDefaultsFile);
    EXPECT_EQ(readBytes(ini), "[Config]\r\ncarType=0\r\ny=10\r\nx=5\r\nz=7\r\n");

    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].kind, ScriptedPrompts::Kind::folder);
    EXPECT_EQ(prompts.calls()[0].initialFolder, program.path());
}

TEST_F(SensorConfigDialogTest, FollowsTheTemplate) {
    Sensor sensor(program.path());
    SensorConfigDialog& dialog = sensor.dialog;
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("「ソラミル」の設定：衝撃検出感度"));
    const DialogUnits units(dialog.font());
    EXPECT_EQ(dialog.size(), units.size(248, 153));
    EXPECT_EQ(sensor.control<QSlider>("leftRight")->geometry(), units.rect(91, 73, 149, 20));
    EXPECT_EQ(sensor.control<ArrowPicture>("arrow")->property("controlId").toInt(), 1022);

    EXPECT_EQ(sensor.control<QLabel>("explanation")->text(),
              QString::fromUtf8("急ブレーキ・急発進・急ハンドル等を検出する感度を設定します。\n"
                                "「低」にするほど検出しにくくなり、「高」にするほど検出しやすく"
                                "なります。"));
    EXPECT_EQ(sensor.control<QLabel>("low")->text(), QString::fromUtf8("低"));
    EXPECT_EQ(sensor.control<QLabel>("high")->text(), QString::fromUtf8("高"));
    EXPECT_EQ(sensor.control<QLabel>("frontBackLabel")->text(), QString::fromUtf8("前後"));
    EXPECT_EQ(sensor.control<QLabel>("leftRightLabel")->text(), QString::fromUtf8("左右"));
    EXPECT_EQ(sensor.control<QLabel>("upDownLabel")->text(), QString::fromUtf8("上下"));
    auto* ok = sensor.control<QPushButton>("ok");
    EXPECT_EQ(ok->text(), QString::fromUtf8("設定出力"));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(sensor.control<QPushButton>("cancel")->text(), QString::fromUtf8("キャンセル"));
    EXPECT_FALSE(sensor.car()->picture().isNull());
    EXPECT_FALSE(sensor.truck()->picture().isNull());

    const std::array<std::pair<const char*, int>, 3> sliders{
        {{"frontBack", 1011}, {"leftRight", 1012}, {"upDown", 1013}}};
    for (const auto& [name, id] : sliders) {
        auto* slider = sensor.control<QSlider>(name);
        EXPECT_EQ(slider->property("controlId").toInt(), id);
        EXPECT_EQ(slider->orientation(), Qt::Horizontal);
        EXPECT_EQ(slider->minimum(), 0);
        EXPECT_EQ(slider->maximum(), 10);
        EXPECT_FALSE(slider->invertedAppearance());
        EXPECT_EQ(slider->tickInterval(), 1);
        EXPECT_NE(slider->tickPosition(), QSlider::NoTicks);
    }

    // Tab order follows the template.
    std::vector<QString> order;
    QWidget* widget = sensor.car();
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            order.push_back(widget->objectName());
        }
        widget = widget->nextInFocusChain();
    } while (widget != sensor.car());
    EXPECT_EQ(order, (std::vector<QString>{"car", "truck", "frontBack", "leftRight", "upDown", "ok",
                                           "cancel"}));
}

TEST_F(SensorConfigDialogTest, OpensWithTheSavedVehicleAndPullsPositionsIntoRange) {
    writeBytes(ini, "[Config]\r\nCarType=1\r\ny=1\r\nx=1\r\nz=1\r\n");
    {
        Sensor sensor(program.path());
        EXPECT_FALSE(sensor.car()->isChecked());
        EXPECT_TRUE(sensor.truck()->isChecked());
        EXPECT_EQ(sensor.positions(), (std::array<int, 3>{5, 5, 10}));
    }
    writeBytes(ini, "[config]\r\ncartype=0\r\ny=15\r\nx=-3\r\nz=seven\r\n");
    Sensor sensor(program.path());
    EXPECT_TRUE(sensor.car()->isChecked());
    EXPECT_EQ(sensor.positions(), (std::array<int, 3>{10, 0, 0}));
}

TEST_F(SensorConfigDialogTest, VehicleClicksShowThatTypesSavedPositions) {
    writeBytes(ini, "[Config]\r\ny=2\r\nx=3\r\nz=4\r\ntz=1\r\n");
    Sensor sensor(program.path());
    EXPECT_EQ(sensor.positions(), (std::array<int, 3>{2, 3, 4}));

    sensor.move(9, 9, 9);
    sensor.car()->click();  // already selected: still back to what was saved
    EXPECT_EQ(sensor.positions(), (std::array<int, 3>{2, 3, 4}));
    EXPECT_TRUE(sensor.car()->isChecked());

    sensor.truck()->click();
    EXPECT_TRUE(sensor.truck()->isChecked());
    EXPECT_FALSE(sensor.car()->isChecked());
    EXPECT_EQ(sensor.positions(), (std::array<int, 3>{5, 5, 1}));

    std::filesystem::remove(ini);
    sensor.car()->click();
    EXPECT_EQ(sensor.positions(), (std::array<int, 3>{10, 5, 7}));
    EXPECT_FALSE(std::filesystem::exists(ini));  // clicks never save
}

TEST_F(SensorConfigDialogTest, CancelledChooserOrCancelledDialogChangesNothing) {
    const std::string saved = "[Config]\r\ncarType=0\r\ny=2\r\n";
    writeBytes(ini, saved);
    {
        Sensor sensor(program.path());
        sensor.truck()->click();
        sensor.output();  // the chooser is cancelled
        EXPECT_TRUE(sensor.stillOpen());
        EXPECT_EQ(sensor.positions(), (std::array<int, 3>{5, 5, 10}));
        sensor.control<QPushButton>("cancel")->click();
        EXPECT_EQ(sensor.dialog.result(), QDialog::Rejected);
    }
    EXPECT_EQ(readBytes(ini), saved);
    EXPECT_TRUE(std::filesystem::is_empty(card.path()));
    Sensor again(program.path());
    EXPECT_TRUE(again.car()->isChecked());
}

TEST_F(SensorConfigDialogTest, DeclinedOverwriteOffersTheChooserAgainAtTheProgramFolder) {
    writeBytes(halcInf, "older settings");
    TempFolder other;
    prompts.folderAnswers = {card.path(), other.path()};
    prompts.messageAnswers = {Prompts::Answer::Cancel};
    Sensor sensor(program.path());
    sensor.output();

    EXPECT_EQ(sensor.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(readBytes(halcInf), "older settings");
    EXPECT_EQ(readBytes(other.file("halc.inf")), carDefaultsFile);
    const auto folders = prompts.callsOf(ScriptedPrompts::Kind::folder);
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_EQ(folders[1].initialFolder, program.path());
    const auto messages = prompts.callsOf(ScriptedPrompts::Kind::message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "次のファイルが存在します。更新しますか？\nhalc.inf");
}

TEST_F(SensorConfigDialogTest, FailedWriteKeepsTheDialogAndTheIniAsTheyWere) {
    std::filesystem::create_directory(halcInf);  // a folder of that name cannot be opened
    prompts.folderAnswers = {card.path()};
    prompts.messageAnswers = {Prompts::Answer::Ok};
    Sensor sensor(program.path());
    sensor.truck()->click();
    sensor.move(1, 2, 3);
    sensor.output();

    EXPECT_TRUE(sensor.stillOpen());
    EXPECT_TRUE(sensor.truck()->isChecked());
    EXPECT_EQ(sensor.positions(), (std::array<int, 3>{1, 2, 3}));
    EXPECT_FALSE(std::filesystem::exists(ini));
    const auto messages = prompts.callsOf(ScriptedPrompts::Kind::message);
    ASSERT_EQ(messages.size(), 2u);  // the overwrite question, then the failure
    EXPECT_EQ(messages[1].text, halcInf + " の出力に失敗しました");
    EXPECT_EQ(messages[1].icon, Prompts::Icon::Warning);
}

TEST_F(SensorConfigDialogTest, FullCardIsReportedAsDiskFullAndNothingIsSaved) {
#ifdef _WIN32
    GTEST_SKIP() << "a full card is /dev/full, which Windows does not have";
#endif
    std::filesystem::create_symlink("/dev/full", halcInf);
    prompts.folderAnswers = {card.path()};
    prompts.messageAnswers = {Prompts::Answer::Ok};
    Sensor sensor(program.path());
    sensor.output();

    EXPECT_TRUE(sensor.stillOpen());
    EXPECT_FALSE(std::filesystem::exists(ini));
    const auto messages = prompts.callsOf(ScriptedPrompts::Kind::message);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, "Disk full while accessing " + halcInf + ".");
    EXPECT_EQ(messages[1].buttons, Prompts::Buttons::Ok);
    EXPECT_EQ(messages[1].icon, Prompts::Icon::Stop);
}

TEST_F(SensorConfigDialogTest, EachVehicleSavesOnlyItsOwnKeys) {
    writeBytes(ini, "[Config]\r\ncarType=0\r\ny=1\r\nx=2\r\nz=3\r\n");
    {
        prompts.folderAnswers = {card.path()};
        Sensor sensor(program.path());
        sensor.truck()->click();
        sensor.move(4, 6, 8);
        sensor.output();
        ASSERT_EQ(sensor.dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(readBytes(ini),
              "[Config]\r\ncarType=1\r\ny=1\r\nx=2\r\nz=3\r\nty=4\r\ntx=6\r\ntz=8\r\n");
    EXPECT_EQ(readBytes(halcInf).substr(0, 66),
              "xSummationUpper=0.38\r\nySummationUpper=0.42\r\nzSummationUpper=2.00\r\n");

    prompts.folderAnswers = {card.path()};
    prompts.messageAnswers = {Prompts::Answer::Ok};
    Sensor sensor(program.path());
    EXPECT_TRUE(sensor.truck()->isChecked());
    sensor.car()->click();
    EXPECT_EQ(sensor.positions(), (std::array<int, 3>{1, 2, 3}));
    sensor.move(0, 10, 5);
    sensor.output();
    EXPECT_EQ(readBytes(ini),
              "[Config]\r\ncarType=0\r\ny=0\r\nx=10\r\nz=5\r\nty=4\r\ntx=6\r\ntz=8\r\n");
}

}  // namespace
