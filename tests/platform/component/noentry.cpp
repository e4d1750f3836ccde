// A shared library that is not a control library: it exports none of the component entry points.
extern "C" int componentTestAnswer() {
    return 42;
}
