// The list box.
#include <gtest/gtest.h>
