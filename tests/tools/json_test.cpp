#include <gtest/gtest.h>

#include "json.hpp"

namespace tess {
namespace {

TEST(Json, ObjectsArraysAndEscapes) {
    Json value = Json::object({{"n", 5}, {"ok", true}, {"none", nullptr}, {"x", 0.5}});
    value.set("list", Json::array({1, "two"}));
    value.set("text", "a\"b\\c\nd\x01");
    EXPECT_EQ(value.dump(),
              "{\"n\":5,\"ok\":true,\"none\":null,\"x\":0.5,\"list\":[1,\"two\"],"
              "\"text\":\"a\\\"b\\\\c\\nd\\u0001\"}");
    EXPECT_EQ(Json::array_of(std::vector<std::uint8_t>{1, 255}).dump(), "[1,255]");
    EXPECT_EQ(Json(1.0 / 0.0).dump(), "null");
}

}  // namespace
}  // namespace tess
