#include "WindowPosition.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace koralix;

namespace {

class FakeWindow : public TPlacedWindow {
  public:
    int top = 10, left = 20, width = 300, height = 200;
    bool kept = false;
    int Top() const override { return top; }
    int Left() const override { return left; }
    int Width() const override { return width; }
    int Height() const override { return height; }
    void SetTop(int v) override { top = v; }
    void SetLeft(int v) override { left = v; }
    void SetWidth(int v) override { width = v; }
    void SetHeight(int v) override { height = v; }
    QString Name() const override { return "EditForm"; }
    void KeepRestoredPlace() override { kept = true; }
};

} // namespace

class WindowPositionTest : public ::testing::Test {
  protected:
    QTemporaryDir folder;
    QSettings store{folder.filePath("Koralix.ini"), QSettings::IniFormat};
    TWindowPosition position;
    void SetUp() override { position.RegKey = "Software\\Koralix\\Configuration\\EditForm"; }
};

TEST_F(WindowPositionTest, FirstShowKeepsTheDesignAndCloseStoresAll) {
    FakeWindow window;
    position.Restore(store, window);
    EXPECT_EQ(window.top, 10);
    EXPECT_EQ(window.height, 200);
    position.Store(store, window);
    EXPECT_EQ(store.value("Configuration/EditForm/Top").toInt(), 10);
    EXPECT_EQ(store.value("Configuration/EditForm/Left").toInt(), 20);
    EXPECT_EQ(store.value("Configuration/EditForm/Width").toInt(), 300);
    EXPECT_EQ(store.value("Configuration/EditForm/Height").toInt(), 200);
}

TEST_F(WindowPositionTest, OnlyReadableValuesAreApplied) {
    store.setValue("Configuration/EditForm/Width", 640);
    store.setValue("Configuration/EditForm/Top", "not a number");
    FakeWindow window;
    position.Restore(store, window);
    EXPECT_EQ(window.width, 640);
    EXPECT_EQ(window.top, 10);
    EXPECT_EQ(window.left, 20);
    EXPECT_EQ(window.height, 200);
}

TEST_F(WindowPositionTest, WindowsSharingAKeyOpenWhereTheLastClosed) {
    FakeWindow first, second, third;
    first.left = 100;
    second.left = 500;
    position.Store(store, first);
    position.Store(store, second);
    position.Restore(store, third);
    EXPECT_EQ(third.left, 500);
}

TEST_F(WindowPositionTest, IniModeUsesTheSectionOnlyWhenItHoldsValues) {
    position.UseRegistry = false;
    position.IniName = folder.filePath("positions.ini");
    FakeWindow window;
    position.Restore(store, window);
    EXPECT_FALSE(window.kept);
    window.top = 77;
    position.Store(store, window);
    QSettings ini(position.IniName, QSettings::IniFormat);
    EXPECT_EQ(ini.value("EditForm/Top").toInt(), 77);
    FakeWindow again;
    position.Restore(store, again);
    EXPECT_EQ(again.top, 77);
    EXPECT_TRUE(again.kept);
}

TEST(WindowPositionKeys, RegistryPathsBecomeGroups) {
    EXPECT_EQ(TWindowPosition::GroupOf("Software\\Koralix\\Configuration\\KoralixForm"),
              "Configuration/KoralixForm");
    EXPECT_EQ(TWindowPosition::GroupOf("Other\\Key"), "Other/Key");
}
