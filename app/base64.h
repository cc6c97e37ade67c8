// Base64 (RFC 4648, section 4): standard alphabet, "=" padding, no line
// breaks. File contents and permanent handles reach page script in this form.
//
// The decoder is strict and reports malformed text with std::runtime_error,
// checking in this order: length not a multiple of 4 ("Non-Valid base64!"),
// then the output buffer ("Failed to allocate memory!"), then the characters
// from the start ("Invalid Padding in Base 64!" for an "=" before the last two
// positions, "Non-Valid Character in Base 64!" for anything outside the
// alphabet). An "=" in the last two positions ends decoding: what follows it
// is not examined, and output bytes that no group wrote stay zero.
//
// Pure functions over constant tables; safe from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace Norvell {

// The Base64 text of `length` bytes; empty when `bytes` is null or `length`
// is 0.
std::string base64Encode(const unsigned char* bytes, std::size_t length);

// The length of the Base64 text of `length` bytes. Throws std::length_error
// when that length is beyond what a std::string can hold.
std::size_t base64EncodedLength(std::size_t length);

// Writes the Base64 text of `length` bytes to `out`, which has room for
// base64EncodedLength(length) characters. Encoding a long input piece by
// piece gives the same text when every piece but the last is a multiple of
// 3 bytes long.
void base64EncodeInto(const unsigned char* bytes, std::size_t length, char* out);

// Decodes `text` into a new zero-filled buffer of (length / 4) * 3 minus the
// padding bytes, which the caller owns and frees with delete[]. An empty
// text, or a null out-parameter, returns at once and leaves both untouched.
// The out-parameters are set only on success: when an error is thrown, the
// caller owns nothing and both are untouched.
void base64Decode(const std::string& text, std::size_t* length, unsigned char** buffer);

// The same decoding into a container (empty for the empty text).
std::vector<unsigned char> base64Decode(const std::string& text);

}  // namespace Norvell
