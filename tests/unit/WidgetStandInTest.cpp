// The stand-in's widget library.
#include <gtest/gtest.h>
