// Files written whole or not at all: a full disk is named in the system's
// words, nothing half-written or temporary is left, and what is not a
// regular file is neither replaced nor waited on.
#include "file_size_limit.h"
#include "platform/file_write.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString SystemText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

using testfiles::FileSizeLimit;

class FileWrite : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList entries() const { return QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(FileWrite, ReplacesAFileWholeAndKeepsItsMode)
{
    const QString file = path("a.png");
    ASSERT_TRUE(platform::WriteFileAtomically(file, "first"));
    EXPECT_EQ(ReadAll(file), "first");
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0640), 0);
    QString error;
    ASSERT_TRUE(platform::WriteFileAtomically(file, "second, longer", &error)) << error.toStdString();
    EXPECT_EQ(ReadAll(file), "second, longer");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(entries(), QStringList{"a.png"}) << "no temporary file left";
    // An empty file is a file too.
    ASSERT_TRUE(platform::WriteFileAtomically(file, {}));
    EXPECT_TRUE(QFileInfo(file).isFile());
    EXPECT_EQ(QFileInfo(file).size(), 0);
}

TEST_F(FileWrite, AFullDeviceIsNamedInTheSystemsWords)
{
    if (!QFileInfo::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    QString error;
    EXPECT_FALSE(platform::WriteFileAtomically("/dev/full", "bytes", &error));
    EXPECT_EQ(error, SystemText(ENOSPC));
    // Through a link the device is written, never replaced.
    const QString link = path("n1.png");
    ASSERT_TRUE(QFile::link("/dev/full", link));
    error.clear();
    EXPECT_FALSE(platform::WriteFileAtomically(link, "bytes", &error));
    EXPECT_EQ(error, SystemText(ENOSPC));
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), "/dev/full");
    struct stat st {};
    ASSERT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    // A device that takes everything takes it.
    EXPECT_TRUE(platform::WriteFileAtomically("/dev/null", "bytes", &error));
}

TEST_F(FileWrite, AWriteThatFailsHalfWayLeavesTheOldFile)
{
    const QString file = path("kept.png");
    ASSERT_TRUE(platform::WriteFileAtomically(file, "old contents"));
    const QByteArray big(64 * 1024, 'x');
    QString error;
    {
        const FileSizeLimit limit(4096);
        EXPECT_FALSE(platform::WriteFileAtomically(file, big, &error));
        // Just within the limit still works.
        EXPECT_TRUE(platform::WriteFileAtomically(path("small.png"), QByteArray(4096, 'y')));
    }
    EXPECT_EQ(error, SystemText(EFBIG));
    EXPECT_EQ(ReadAll(file), "old contents");
    EXPECT_EQ(QFileInfo(path("small.png")).size(), 4096);
    EXPECT_EQ(entries(), QStringList({"kept.png", "small.png"})) << "the temporary file went";
}

TEST_F(FileWrite, WhatIsNoRegularFileIsRefusedWithoutWaiting)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.png")).constData(), 0600), 0);
    for (const QString& name : {QStringLiteral("folder.png"), QStringLiteral("pipe.png")}) {
        QString error;
        EXPECT_FALSE(platform::WriteFileAtomically(path(name), "bytes", &error));
        EXPECT_EQ(error, path(name) + " is not a regular file");
    }
    EXPECT_TRUE(QFileInfo(path("folder.png")).isDir());
    QString error;
    EXPECT_FALSE(platform::WriteFileAtomically(path("no/such/folder/x.png"), "bytes", &error));
    EXPECT_EQ(error, SystemText(ENOENT));
}
