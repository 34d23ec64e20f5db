#include <gtest/gtest.h>
#include "app/file_reading.h"
#include "tests/common/file_reading_cases.inc"
