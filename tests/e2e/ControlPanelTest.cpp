// The control panel and the script windows, driven as a pilot would.
#include <gtest/gtest.h>
