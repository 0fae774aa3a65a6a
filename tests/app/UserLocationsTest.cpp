#include <gtest/gtest.h>

#include <set>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include "UserLocations.h"

namespace {

std::string slashed(const QString& folder) {
    return QDir(folder).absolutePath().toStdString() + '/';
}

class UserLocationsTest : public ::testing::Test {
protected:
    UserLocations::Facts facts(bool own) const {
        UserLocations::Facts f;
        f.programFolder = "/opt/halcyra/bin/";
        f.programFolderIsOwn = own;
        f.configFolder = slashed(config.path()) + "Halcyra/";
        f.homeFolder = "/home/taro/";
        f.userName = "taro";
        f.folderExists = [this](const std::string& folder) { return mounted.count(folder) != 0; };
        return f;
    }

    QTemporaryDir config;
    std::set<std::string> mounted;
};

TEST_F(UserLocationsTest, OwnProgramFolderKeepsTheIniAndTheDialogsBesideTheProgram) {
    mounted = {"/media/taro/"};
    const UserLocations locations(facts(true));
    EXPECT_EQ(locations.settingsFolder(), "/opt/halcyra/bin/");
    EXPECT_EQ(locations.startFolder("/opt/halcyra/bin/"), "/opt/halcyra/bin/");
    EXPECT_EQ(locations.startFolder("/opt/halcyra/bin"), "/opt/halcyra/bin");
}

TEST_F(UserLocationsTest, InstalledProgramKeepsTheIniInTheUsersConfigFolderAndCreatesIt) {
    const UserLocations locations(facts(false));
    const std::string expected = slashed(config.path()) + "Halcyra/";
    EXPECT_EQ(locations.settingsFolder(), expected);
    EXPECT_TRUE(QDir(QString::fromStdString(expected)).exists());
}

TEST_F(UserLocationsTest, InstalledProgramsDialogsStartWhereTheCardAppearsElseAtHome) {
    const UserLocations locations(facts(false));
    EXPECT_EQ(locations.startFolder("/opt/halcyra/bin/"), "/home/taro/");
    mounted = {"/run/media/taro/"};
    EXPECT_EQ(locations.startFolder("/opt/halcyra/bin/"), "/run/media/taro/");
    EXPECT_EQ(locations.startFolder("/opt/halcyra/bin"), "/run/media/taro/");
    mounted.insert("/media/taro/");
    EXPECT_EQ(locations.startFolder("/opt/halcyra/bin/"), "/media/taro/");
    // Only the program folder moves; a folder asked for by name stays.
    EXPECT_EQ(locations.startFolder("/srv/cards/"), "/srv/cards/");

    UserLocations::Facts nameless = facts(false);
    nameless.userName.clear();
    EXPECT_EQ(UserLocations(nameless).startFolder("/opt/halcyra/bin/"), "/home/taro/");
}

// A card reader's card on Windows is a removable drive; it comes before any mount folder.
TEST_F(UserLocationsTest, TheFirstRemovableDriveThatIsThereIsTheCard) {
    UserLocations::Facts f = facts(false);
    f.userName.clear();
    f.removableDrives = {"E:/", "F:/"};
    mounted = {"F:/", "/media/taro/"};
    EXPECT_EQ(UserLocations(f).startFolder("/opt/halcyra/bin/"), "F:/");
    mounted = {};
    EXPECT_EQ(UserLocations(f).startFolder("/opt/halcyra/bin/"), "/home/taro/");
}

TEST_F(UserLocationsTest, WritableFolderIsTheUsersOwnSystemProgramFolderIsNot) {
    const QTemporaryDir unpacked;
    const std::string folder = slashed(unpacked.path());
    EXPECT_EQ(UserLocations::forProgramFolder(folder).settingsFolder(), folder);
    EXPECT_EQ(UserLocations::forProgramFolder(folder).startFolder(folder), folder);
#ifdef _WIN32
    // Under Program Files (writable for an administrator, and under Wine) nothing is the
    // user's: Halcyra.ini goes to %APPDATA%\Halcyra and the dialogs start beside the program
    // when no card is there.
    const QString programFiles = qEnvironmentVariable("ProgramFiles");
    ASSERT_FALSE(programFiles.isEmpty());
    const QString installedFolder = QDir::fromNativeSeparators(programFiles) + "/HalcyraTest";
    ASSERT_TRUE(QDir().mkpath(installedFolder));
    const std::string installedPath = installedFolder.toStdString() + '/';
    const UserLocations installed = UserLocations::forProgramFolder(installedPath);
    const std::string appData =
        slashed(QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA"))) +
        QCoreApplication::applicationName().toStdString() + '/';
    EXPECT_EQ(installed.settingsFolder(), appData);
    EXPECT_EQ(installed.startFolder(installedPath), installedPath);
    QDir(installedFolder).removeRecursively();
#else
    // Not writable for a user, and no place for settings even for root: the XDG
    // configuration folder takes Halcyra.ini (a scratch one here, not the tester's).
    const QTemporaryDir xdgConfig;
    const QByteArray savedConfigHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", xdgConfig.path().toLocal8Bit());
    const std::string perUser =
        slashed(xdgConfig.path()) + QCoreApplication::applicationName().toStdString() + '/';
    const UserLocations installed = UserLocations::forProgramFolder("/usr/bin/");
    EXPECT_EQ(installed.settingsFolder(), perUser);
    EXPECT_NE(installed.startFolder("/usr/bin/"), "/usr/bin/");
    // A folder that does not exist cannot hold anything either.
    EXPECT_EQ(UserLocations::forProgramFolder(folder + "gone/").settingsFolder(), perUser);
    if (savedConfigHome.isEmpty()) {
        qunsetenv("XDG_CONFIG_HOME");
    } else {
        qputenv("XDG_CONFIG_HOME", savedConfigHome);
    }
#endif
}

}  // namespace
