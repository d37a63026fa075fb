// Entry of every test executable: GoogleTest with the component-object
// library initialised for the thread, as the program itself does.
#include <windows.h>
#include <objbase.h>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    HRESULT hr = CoInitialize(nullptr);
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    if (SUCCEEDED(hr))
        CoUninitialize();
    return result;
}
