// The product table: exact codes, families by their upper 16 bits, and codes it does not know.
#include "common/ModuleInfo.h"

#include <gtest/gtest.h>

namespace {

TEST(ModuleInfo, ProductNameFromCode) {
    const std::pair<uint32_t, const wchar_t*> kCases[] = {
        {0x80010001, L"Kivo5120"},     {0x80010000, L"Kivo5120F"},   {0x8001FFFF, L"Kivo5120F"},
        {0x80020003, L"Kivo5120-S"},   {0x80420000, L"Kivo5120-SL"}, {0x20020001, L"Kivo5120-HS"},
        {0x2042FFFF, L"Kivo5120-HSL"}, {0x40010203, L"Nera5120"},    {0x40020005, L"Nera5120-S"},
        {0x40420001, L"Nera5120-SL"},  {0x00000000, L"N/A"},         {0xFFFFFFFF, L"N/A"},
        {0x40030000, L"N/A"},          {0x00018001, L"N/A"},         {0x80000001, L"N/A"},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(ProductNameFromCode(c.first), c.second) << std::hex << c.first;
}

} // namespace
