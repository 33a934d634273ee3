// app/export/job/CConnectString.h
#pragma once

#include <string>

// The connect string of a database export, built from what the user typed. A value that holds a
// character the connect-string grammar gives a meaning (';', '{', '}', '=', or blanks at either
// end) is sent in braces with every '}' doubled, so that a password such as "a;DATABASE=x" stays
// one value and adds no attribute.
class CConnectString {
  public:
    // "DRIVER=SQL SERVER;SERVER=..;UID=..;PWD=..", with ";DATABASE=.." when strDatabase is not
    // empty.
    static std::string Build(const std::string& strServer, const std::string& strUser,
                             const std::string& strPassword, const std::string& strDatabase);
    // One attribute value as the grammar requires it.
    static std::string Value(const std::string& strValue);
    // The text with every occurrence of strSecret replaced by "***", for messages that might
    // repeat what the driver was given.
    static std::string Masked(std::string strText, const std::string& strSecret);
};
