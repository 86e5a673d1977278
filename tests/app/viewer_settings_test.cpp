// What the viewer keeps between runs and the snapshot files: the settings
// file read back as written, damaged and nonsensical files survived value by
// value, a home that cannot be written; snapshot names that never replace a
// file, and saves that fail without leaving half a file.

#include "app/viewer_settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "app/command_line.h"
#include "app/snapshot_file.h"

namespace lumicar::test {
namespace {

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TViewerSettings EverySetting() {
  TViewerSettings s;
  s.cameraIdentity = QStringLiteral("usb-0000:00:14.0-1:1.0 Document Camera");
  s.cameraName = QStringLiteral("Document Camera");
  s.flip = true;
  s.speedFirst = true;
  s.format = vfRGB24;
  s.videoSize = QSize(640, 480);
  s.videoSizeCurrent = false;
  s.proportional = false;
  s.stayOnTop = true;
  s.normalGeometry = QRect(-20, 30, 700, 520);
  s.presentation = TViewerPresentation::kMaximised;
  s.quarterTurns = 3;
  s.infoShown = true;
  return s;
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  QString Path() const { return dir.filePath(QStringLiteral("lumicar/lumicar.ini")); }
  QTemporaryDir dir;
};

TEST_F(SettingsStoreTest, WhatIsSavedIsReadBack) {
  TViewerSettingsStore store(Path());
  ASSERT_TRUE(store.Save(EverySetting()));
  EXPECT_EQ(TViewerSettingsStore(Path()).Load(), EverySetting());
}

TEST_F(SettingsStoreTest, NoFileMeansNoValues) { EXPECT_EQ(TViewerSettingsStore(Path()).Load(), TViewerSettings()); }

TEST_F(SettingsStoreTest, ValuesThatMakeNoSenseAreLeftOutOneByOne) {
  ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("lumicar"))));
  WriteBytes(Path(),
             "[picture]\nflip=banana\nproportional=false\n[capture]\nformat=vfNothing\nwidth=-5\nheight=480\n"
             "speedFirst=true\n[tools]\nquarterTurns=7\n[window]\nstate=sideways\nleft=1\ntop=2\nwidth=300\n");
  const TViewerSettings s = TViewerSettingsStore(Path()).Load();
  TViewerSettings expected;
  expected.proportional = false;
  expected.speedFirst = true;
  // A size needs both sides, a place all four numbers.
  EXPECT_EQ(s, expected);
}

TEST_F(SettingsStoreTest, ADamagedFileIsSurvivedAndReplacedByTheNextSave) {
  ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("lumicar"))));
  static const char kDamaged[] = "\x00\xff\xfe[[[\n=\n\x01\x02 flip\n[picture\nflip=true\n";
  QByteArray garbage(kDamaged, sizeof kDamaged - 1);
  garbage.append(QByteArray(4096, '\x9c'));
  WriteBytes(Path(), garbage);
  TViewerSettingsStore store(Path());
  const TViewerSettings read = store.Load();
  // Whatever was read was checked: nothing out of range comes through.
  EXPECT_LE(read.quarterTurns.value_or(0), 3);
  TViewerSettings next;
  next.flip = false;
  ASSERT_TRUE(store.Save(next));
  EXPECT_EQ(TViewerSettingsStore(Path()).Load(), next);
}

TEST_F(SettingsStoreTest, AFileThatCannotBeReadGivesNoValues) {
  // A folder where the file should be: unreadable as a file even for root.
  ASSERT_TRUE(QDir().mkpath(Path()));
  TViewerSettingsStore store(Path());
  EXPECT_EQ(store.Load(), TViewerSettings());
}

TEST_F(SettingsStoreTest, AHomeThatCannotBeWrittenFailsTheSaveOnly) {
  // A plain file where the folder should be: no folder can be made there.
  WriteBytes(dir.filePath(QStringLiteral("lumicar")), "not a folder");
  TViewerSettingsStore store(Path());
  EXPECT_FALSE(store.Save(EverySetting()));
  EXPECT_FALSE(store.Save(EverySetting()));
  EXPECT_EQ(store.Load(), TViewerSettings());
}

TEST_F(SettingsStoreTest, ResetForgetsEverything) {
  TViewerSettingsStore store(Path());
  ASSERT_TRUE(store.Save(EverySetting()));
  EXPECT_TRUE(store.Reset());
  EXPECT_FALSE(QFile::exists(Path()));
  EXPECT_EQ(store.Load(), TViewerSettings());
  EXPECT_TRUE(store.Reset());
}

TEST_F(SettingsStoreTest, TheCommandLinesResetRemovesTheUsersFile) {
  const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
  const QString path = TViewerSettingsStore::DefaultPath();
  EXPECT_EQ(path, Path());
  ASSERT_TRUE(TViewerSettingsStore(path).Save(EverySetting()));
  ResetViewerSettings();
  EXPECT_FALSE(QFile::exists(path));
  if (previous.isEmpty())
    qunsetenv("XDG_CONFIG_HOME");
  else
    qputenv("XDG_CONFIG_HOME", previous);
}

// ---- Snapshot files ----

QImage Pattern() {
  QImage image(40, 30, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x * 6, y * 8, (x + y) * 3));
  return image;
}

const QDateTime kWhen(QDate(2026, 12, 10), QTime(18, 42, 54));

TEST(SnapshotFile, NamesNeverTakeAnExistingFile) {
  QTemporaryDir dir;
  const QString first = SnapshotPath(dir.path(), kWhen);
  EXPECT_TRUE(first.endsWith(QStringLiteral("/Lumicar_2026-12-10_18-42-54.png"))) << first.toStdString();
  WriteBytes(first, "taken");
  const QString second = SnapshotPath(dir.path(), kWhen);
  EXPECT_TRUE(second.endsWith(QStringLiteral("_2.png"))) << second.toStdString();
  WriteBytes(second, "taken too");
  EXPECT_TRUE(SnapshotPath(dir.path(), kWhen).endsWith(QStringLiteral("_3.png")));
}

TEST(SnapshotFile, ASavedPictureReadsBackPixelForPixelBesideEarlierOnes) {
  QTemporaryDir dir;
  const QString folder = dir.filePath(QStringLiteral("Pictures/Lumicar"));
  const TSnapshotResult first = SaveSnapshot(Pattern(), folder, kWhen);
  ASSERT_TRUE(first.saved) << first.reason.toStdString();
  const QByteArray firstBytes = ReadBytes(first.path);
  const TSnapshotResult second = SaveSnapshot(Pattern().mirrored(true, false), folder, kWhen);
  ASSERT_TRUE(second.saved);
  EXPECT_NE(second.path, first.path);
  EXPECT_EQ(ReadBytes(first.path), firstBytes);
  EXPECT_EQ(QImage(first.path).convertToFormat(QImage::Format_RGB32), Pattern());
  EXPECT_EQ(QImage(second.path).convertToFormat(QImage::Format_RGB32), Pattern().mirrored(true, false));
}

TEST(SnapshotFile, AFailedSaveSaysWhyAndLeavesNoFile) {
  QTemporaryDir dir;
  WriteBytes(dir.filePath(QStringLiteral("Pictures")), "not a folder");
  const QString folder = dir.filePath(QStringLiteral("Pictures/Lumicar"));
  const TSnapshotResult result = SaveSnapshot(Pattern(), folder, kWhen);
  EXPECT_FALSE(result.saved);
  EXPECT_FALSE(result.reason.isEmpty());
  EXPECT_TRUE(result.path.startsWith(folder));
  EXPECT_FALSE(QFile::exists(result.path));
  EXPECT_FALSE(SaveSnapshot(QImage(), dir.path(), kWhen).saved);
}

}  // namespace
}  // namespace lumicar::test
