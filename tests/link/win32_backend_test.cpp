#include "link/win32_backend.h"
#include <gtest/gtest.h>
namespace tolvane { namespace { TEST(Win32Backend, Placeholder) { EXPECT_EQ(ReadIntervalMs(1200), 240u); } } }
