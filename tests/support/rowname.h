#pragma once

#include <gtest/gtest.h>
#include <string>

namespace vesk::test {

// Names the rows of a TEST_P table after their `name` field.
struct RowName
{
    template <typename Row> std::string operator()(const testing::TestParamInfo<Row> &row) const
    {
        return std::string(row.param.name);
    }
};

} // namespace vesk::test
