// The popup menu and the popup button.
#include <gtest/gtest.h>
