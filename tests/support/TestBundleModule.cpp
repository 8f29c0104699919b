// The executable of a bundle made for a test: loading it is what makes the bundle known.
extern "C" int BrindlexTestBundleModule() {
    return 0;
}
