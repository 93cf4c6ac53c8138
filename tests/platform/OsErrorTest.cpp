#include "platform/OsError.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <string>

namespace {

TEST(OsError, MessageCarriesCodeAndSystemText) {
    const os_error error(ENOENT);
    EXPECT_EQ(error.Code(), ENOENT);
    EXPECT_EQ(std::string(error.what()), "System Error.  Code: " + std::to_string(ENOENT) +
                                             ".\r\n" + platform::ErrnoText(ENOENT));
    EXPECT_FALSE(platform::ErrnoText(ENOENT).empty());
}

TEST(OsError, RaisedFromErrnoIsASystemError) {
    errno = EACCES;
    try {
        RaiseLastOsError();
        FAIL() << "nothing raised";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), EACCES);
    }
}

} // namespace
