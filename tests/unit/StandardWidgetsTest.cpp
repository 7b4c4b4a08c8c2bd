// The stand-in's standard widget classes and UI graphics.
#include <gtest/gtest.h>
