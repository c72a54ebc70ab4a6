// The translation unit the tests' precompiled headers are built for.
