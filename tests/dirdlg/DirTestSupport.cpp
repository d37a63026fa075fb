#include "tests/dirdlg/DirTestSupport.h"

#include <gtest/gtest.h>

#include "tests/TestFiles.h"

CurrentDirGuard::CurrentDirGuard() : FSaved(Cwd()) {}

CurrentDirGuard::~CurrentDirGuard()
{
    SetCurrentDirectoryA(FSaved.c_str());
}

std::string Cwd()
{
    char buffer[MAX_PATH * 2];
    DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
    return std::string(buffer, n);
}

void MakeDir(const std::string& aPath, DWORD anAttributes)
{
    ASSERT_TRUE(CreateDirectoryA(aPath.c_str(), nullptr)) << aPath << " " << GetLastError();
    if (anAttributes) {
        ASSERT_TRUE(SetFileAttributesA(aPath.c_str(), anAttributes | FILE_ATTRIBUTE_DIRECTORY));
    }
}

void MakeFile(const std::string& aPath, DWORD anAttributes)
{
    WriteFile(aPath, "x");
    if (anAttributes) {
        ASSERT_TRUE(SetFileAttributesA(aPath.c_str(), anAttributes));
    }
}

std::string WithoutDrive(const std::string& aPath)
{
    return aPath.size() >= 2 && aPath[1] == ':' ? aPath.substr(2) : aPath;
}

std::string NoSlash(const std::string& aPath)
{
    return !aPath.empty() && aPath.back() == '\\' ? aPath.substr(0, aPath.size() - 1) : aPath;
}
