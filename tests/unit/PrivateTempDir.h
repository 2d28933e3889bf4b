// SPDX-License-Identifier: Apache-2.0
// A test fixture with a fresh private directory, removed after each test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

class PrivateTempDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quellmark-unit-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::filesystem::path dir_;
};
