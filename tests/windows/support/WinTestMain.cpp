// The main of the Windows suites: the test thread is the program's GUI
// thread, in a single-threaded apartment for the whole run.
#include "platform/automation/com/Apartment.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // A crash ends the run at once instead of waiting for a debugger.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    automation::com::Apartment apartment;
    if (FAILED(apartment.result()))
        return 2;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
