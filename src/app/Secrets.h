#pragma once
// Fixed texts of this program, defined in one place.
//  - The verifier salt (10 ASCII characters) is put in front of the run GUID
//    before hashing; the pixel server uses the verifier to tell our events apart.
//  - The package phrase (18 ASCII characters): its MD5 is the password of the
//    interface packages; tools/package-password.py prints it for the
//    package builder.
namespace secrets {
constexpr char kVerifierSalt[] = "kM4r!qZ7pX";
constexpr char kPackagePhrase[] = "Wn3t#Hv8LrQe2Yx9Tb";
static_assert(sizeof(kVerifierSalt) - 1 == 10, "verifier salt is 10 characters");
static_assert(sizeof(kPackagePhrase) - 1 == 18, "package phrase is 18 characters");
}  // namespace secrets
