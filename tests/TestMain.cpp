// Entry of every test executable: GoogleTest with the component-object
// library initialised for the thread, as the program itself does, and a
// watchdog that answers and reports message boxes nobody expected.
#include <windows.h>
#include <objbase.h>
#include <gtest/gtest.h>

#include "tests/BoxWatchdog.h"

int main(int argc, char** argv)
{
    HRESULT hr = CoInitialize(nullptr);
    testing::InitGoogleTest(&argc, argv);
    int result;
    {
        TBoxWatchdog watchdog;
        result = RUN_ALL_TESTS();
        if (!watchdog.Finish())
            result = 1;
    }
    if (SUCCEEDED(hr))
        CoUninitialize();
    return result;
}
