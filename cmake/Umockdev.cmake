# umockdev-wrapper runs a program on emulated devices: the emulated-adapter
# tests and benchmarks start their programs under it, and `tess --sim` restarts
# itself under it. UMOCKDEV_WRAPPER is false where umockdev is not installed.
find_program(UMOCKDEV_WRAPPER umockdev-wrapper)
