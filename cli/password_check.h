#pragma once
#include <string>

#include "crow/PasswordCheck.h"

// What `crow release` and `crow mount` say when a password looks wrong.
namespace wxh::cli {

inline constexpr const char* kNoPasswordCheck = "--no-password-check";

// True (and the refusal said on standard error) when the judgement is a clear "looks wrong";
// doing is what was refused ("released", "mounted").
bool RefuseWrongPassword(const PasswordJudgement& judgement, const std::string& crowFile, const std::string& doing);

}  // namespace wxh::cli
