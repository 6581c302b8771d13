# Debian packages by purpose; sourced by the other scripts.
# shellcheck shell=bash
BUILD_PACKAGES=(g++ cmake ninja-build pkg-config nlohmann-json3-dev)
TEST_PACKAGES=(libgtest-dev)
FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)
