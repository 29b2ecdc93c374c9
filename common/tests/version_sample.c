/* A library that exists only to carry a version resource for the version-reader tests. */
int version_sample_marker(void) {
    return 1;
}
