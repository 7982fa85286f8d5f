#pragma once
// Messages of the ladder editor, each with its Korean twin (UTF-8).

#include <string>

namespace ladder::texts {

inline const std::string kErrorCaption = "Korvane Studio Error !";
inline const std::string kSyntaxError = "Syntax Error : ";
inline const std::string kSyntaxErrorKo = "키입력 에러 : ";
// A typed character that the program file's code page cannot hold.
inline const std::string kUnwritableChar = "Character not available";
inline const std::string kUnwritableCharKo = "쓸 수 없는 문자";

}  // namespace ladder::texts
