// Texts of the operating system's error numbers, in Portuguese whatever the
// locale: the messages of the program and of the tool are all Portuguese.
#pragma once

#include <string>
#include <system_error>

namespace quorvel {

// "sem permissão", "arquivo ou pasta inexistente", ... for an errno value;
// an unknown number gives "erro do sistema N".
std::string SystemErrorText(int error);
std::string SystemErrorText(const std::error_code& error);

}  // namespace quorvel
