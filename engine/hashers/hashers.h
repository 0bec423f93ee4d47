// Makers of the concrete hashers, which stay private to the engine; the factory
// in hasher.cpp and the timing behind ShaSource::Fastest are their only callers.
#pragma once

#include "engine/hasher.h"

namespace vms::hashers {

std::unique_ptr<Hasher> MakeCrc32();
std::unique_ptr<Hasher> MakeSha3(std::uint32_t digestSize, std::uint32_t rate);
std::unique_ptr<Hasher> MakeBlake3();
std::unique_ptr<Hasher> MakeXxh64();
std::unique_ptr<Hasher> MakeXxh3(bool is128);
std::unique_ptr<Hasher> MakeCng(AlgorithmId id);
std::unique_ptr<Hasher> MakeGcrypt(AlgorithmId id);  // SHA-1 and SHA-2

}  // namespace vms::hashers
