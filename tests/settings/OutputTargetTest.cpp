#include <gtest/gtest.h>

#include <filesystem>

#include "FolderBrowser.h"
#include "OutputTarget.h"
#include "ScriptedPrompts.h"
#include "FileBytes.h"
#include "TempFolder.h"

namespace {

constexpr const char* folderPrompt =
    "設定値を出力するフォルダを指定してください。\n通常はCFカードを指定してください。";

class OutputTargetTest : public ::testing::Test {
protected:
    void SetUp() override { Prompts::install(&prompts); }

    ScriptedPrompts prompts;
    TempFolder card;
    const std::string programFolder = "/opt/halcyra/";
};

TEST_F(OutputTargetTest, BrowserAlwaysGivesAFolderEndingInOneSeparator) {
    prompts.folderAnswers = {"/", "/media/CF", "/media/CF/", std::string(), std::nullopt};
    FolderBrowser browser;
    browser.setup("prompt", "/start/");
    for (const char* expected : {"/", "/media/CF/", "/media/CF/"}) {
        ASSERT_EQ(browser.run(), FolderBrowser::chosen);
        EXPECT_EQ(browser.chosenFolder(), expected);
    }
    // A choice without a path, and a cancel.
    EXPECT_EQ(browser.run(), FolderBrowser::cancelled);
    EXPECT_EQ(browser.run(), FolderBrowser::cancelled);
    ASSERT_EQ(prompts.calls().size(), 5u);
    EXPECT_EQ(prompts.calls()[0].text, "prompt");
    EXPECT_EQ(prompts.calls()[0].initialFolder, "/start/");

    browser.reset();
    EXPECT_EQ(browser.chosenFolder(), "");
}

TEST_F(OutputTargetTest, JoinsTheChosenFolderAndTheFileName) {
    prompts.folderAnswers = {card.path(), card.path() + "DCIM", "/"};
    EXPECT_EQ(chooseOutputTarget("halc.inf", programFolder), card.path() + "halc.inf");
    EXPECT_EQ(chooseOutputTarget("halc.inf", programFolder), card.path() + "DCIM/halc.inf");
    EXPECT_EQ(chooseOutputTarget("writetime.txt", programFolder), "/writetime.txt");
    for (const auto& call : prompts.calls()) {
        EXPECT_EQ(call.kind, ScriptedPrompts::Kind::folder);
        EXPECT_EQ(call.text, folderPrompt);
        EXPECT_EQ(call.initialFolder, programFolder);
    }
}

TEST_F(OutputTargetTest, CancelledChooserEndsWithoutATarget) {
    EXPECT_EQ(chooseOutputTarget("halc.inf", programFolder), std::nullopt);
    EXPECT_EQ(prompts.calls().size(), 1u);
}

TEST_F(OutputTargetTest, ExistingEntryNeedsOkAndDeclineStartsOverAtTheProgramFolder) {
    writeBytes(card.file("halc.inf"), "old");
    std::filesystem::create_directory(card.file("sub"));
    std::filesystem::create_directory(card.file("sub/halc.inf"));  // a folder counts too
    prompts.folderAnswers = {card.path(), card.path() + "sub", card.path()};
    prompts.messageAnswers = {Prompts::Answer::Cancel, Prompts::Answer::Cancel,
                              Prompts::Answer::Ok};

    EXPECT_EQ(chooseOutputTarget("halc.inf", programFolder), card.path() + "halc.inf");

    const auto& calls = prompts.calls();
    ASSERT_EQ(calls.size(), 6u);
    for (std::size_t i = 0; i < calls.size(); i += 2) {
        EXPECT_EQ(calls[i].kind, ScriptedPrompts::Kind::folder);
        EXPECT_EQ(calls[i].initialFolder, programFolder);
        EXPECT_EQ(calls[i + 1].kind, ScriptedPrompts::Kind::message);
        EXPECT_EQ(calls[i + 1].text, "次のファイルが存在します。更新しますか？\nhalc.inf");
        EXPECT_EQ(calls[i + 1].buttons, Prompts::Buttons::OkCancel);
        EXPECT_EQ(calls[i + 1].icon, Prompts::Icon::Warning);
    }
    EXPECT_EQ(readBytes(card.file("halc.inf")), "old");  // asking deletes nothing
}

TEST_F(OutputTargetTest, OnlyTheRequestedFileIsLookedFor) {
    writeBytes(card.file("halc.inf"), "old");
    prompts.folderAnswers = {card.path()};
    EXPECT_EQ(chooseOutputTarget("writetime.txt", programFolder), card.path() + "writetime.txt");
    EXPECT_EQ(prompts.callsOf(ScriptedPrompts::Kind::message).size(), 0u);
}

TEST_F(OutputTargetTest, DeclinedAndThenCancelledEndsWithoutATarget) {
    writeBytes(card.file("writetime.txt"), "old");
    prompts.folderAnswers = {card.path()};
    EXPECT_EQ(chooseOutputTarget("writetime.txt", programFolder), std::nullopt);
    ASSERT_EQ(prompts.calls().size(), 3u);
    EXPECT_EQ(prompts.calls()[1].text, "次のファイルが存在します。更新しますか？\nwritetime.txt");
    EXPECT_EQ(prompts.calls()[2].kind, ScriptedPrompts::Kind::folder);
}

}  // namespace
