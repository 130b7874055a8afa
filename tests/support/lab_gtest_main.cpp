// main() of the GoogleTest binaries that touch the network: refuses to run outside the lab.
#include "tests/support/labguard.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    brenmoor::test::requireLabNamespace(argv[0]);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
