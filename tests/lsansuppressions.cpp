// Linked into every test program of a sanitizer build and into the fuzzers. Leaks inside system libraries that
// no caller can mend are named here so that the leak check stays useful for ours:
// fontconfig loses a few blocks while parsing its configuration files, once per process.
// Its frames carry no frame pointers, so the leak's short stack names only the module.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    // lavapipe (the CPU Vulkan driver the GPU tests run on) keeps a block per device.
    return "leak:libfontconfig.so\n"
           "leak:libvulkan_lvp.so\n";
}
