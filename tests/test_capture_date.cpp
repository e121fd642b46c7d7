#include "support/TestSupport.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>
