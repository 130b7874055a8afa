#pragma once
// Decoding a JSON-protocol reply datagram into a device record. Pure: no window, no logging.

#include <string>

struct DeviceReply
{
    std::string sn;
    std::string mac;
    std::string version;
    std::string typeID;
    std::string submask;
    std::string gateway;
};

struct JsonReplyResult
{
    enum Kind {
        Dropped,    // too short, shorter than its length field, not command 1, or no payload
        ParseError, // the payload is not JSON
        TypeError,  // JSON, but not an object, or a key holds something other than a string
        OtherError, // a key is missing, or any other failure
        Device
    };
    Kind kind = Dropped;
    DeviceReply reply;   // with Device
    std::string message; // with the errors: the library's message
    std::string payload; // the payload text (exactly `length` bytes) once the header passed
};

// Magic, checksum, sequence and identifiers are not checked; bytes after the declared
// payload are ignored. Never throws.
JsonReplyResult decodeJsonReply(const unsigned char* data, int len);
