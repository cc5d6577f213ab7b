# The Debian packages the two set-up commands need; sourced by ./run and ./test.
build_packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev fonts-dejavu-core)
test_packages=(clang-14 libclang-rt-14-dev googletest libgtest-dev libgmock-dev libbenchmark-dev
               python3 xvfb xdotool imagemagick)
