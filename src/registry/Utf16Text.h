#pragma once
// UTF-16LE, the encoding of a .reg file that regedit exports today, to and from the
// byte texts the registry store keeps (UTF-8, the code page of a Linux system).

#include <string>
#include <string_view>

namespace vantrel {

// Byte pairs into UTF-8; a lone surrogate or an odd last byte becomes U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes);
// UTF-8 into byte pairs; a byte that is not part of well-formed UTF-8 stands for its
// Latin-1 character, as it is shown.
std::string Utf8ToUtf16Le(std::string_view text);

}  // namespace vantrel
