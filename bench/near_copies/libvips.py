# SPDX-License-Identifier: GPL-3.0-or-later
"""libvips' operations called in this process, as the vips command calls them: the same
option parsing, the same building and saving, without starting a process for each step
(which cost most of a corpus's time). Calls from several threads run at once."""
import ctypes
import os


class VipsError(Exception):
    pass


def _load():
    # libvips warns about harmless things (an odd EXIF unit); only a failure is shown.
    os.environ.setdefault("VIPS_WARNING", "0")
    lib = ctypes.CDLL("libvips.so.42")
    glib = ctypes.CDLL("libglib-2.0.so.0")
    pointer, text = ctypes.c_void_p, ctypes.c_char_p
    for f, restype, argtypes in (
            (lib.vips_init, ctypes.c_int, [text]),
            (lib.vips_cache_set_max, None, [ctypes.c_int]),
            (lib.vips_operation_new, pointer, [text]),
            (lib.vips_call_options, None, [pointer, pointer]),
            (lib.vips_call_argv, ctypes.c_int, [pointer, ctypes.c_int, pointer]),
            (lib.vips_object_set_argument_from_string, ctypes.c_int, [pointer, text, text]),
            (lib.vips_cache_operation_buildp, ctypes.c_int, [ctypes.POINTER(pointer)]),
            (lib.vips_object_unref_outputs, None, [pointer]),
            (lib.vips_error_buffer, text, []),
            (lib.vips_error_clear, None, []),
            (lib.vips_image_new_from_file, pointer, [text, pointer]),
            (lib.vips_image_get_width, ctypes.c_int, [pointer]),
            (lib.vips_image_get_height, ctypes.c_int, [pointer]),
            (lib.vips_image_set_int, None, [pointer, text, ctypes.c_int]),
            (lib.vips_image_write_to_file, ctypes.c_int, [pointer, text, pointer]),
            (lib.g_object_unref, None, [pointer]),
            (glib.g_option_context_new, pointer, [text]),
            (glib.g_option_group_new, pointer, [text, text, text, pointer, pointer]),
            (glib.g_option_context_add_group, None, [pointer, pointer]),
            (glib.g_option_context_parse, ctypes.c_int,
             [pointer, ctypes.POINTER(ctypes.c_int), ctypes.POINTER(pointer), pointer]),
            (glib.g_option_context_free, None, [pointer]),
            (glib.g_error_free, None, [pointer])):
        f.restype, f.argtypes = restype, argtypes
    if lib.vips_init(b"make_corpus") != 0:
        raise VipsError("libvips does not start")
    # Each vips command started with an empty cache: no result, and no deleted file held
    # open, is carried from one step to the next.
    lib.vips_cache_set_max(0)
    return lib, glib


_lib, _glib = _load()


def _failure(what):
    message = (_lib.vips_error_buffer() or b"").decode(errors="replace").strip()
    _lib.vips_error_clear()
    return VipsError(f"{what}: {message}")


def _operation(name):
    operation = _lib.vips_operation_new(name.encode())
    if not operation:
        raise _failure(f"vips {name}")
    return operation


def call(name, *args):
    """vips NAME ARGS...: the arguments are the command's own strings, options included."""
    operation = _operation(name)
    context = _glib.g_option_context_new(None)
    try:
        group = _glib.g_option_group_new(b"operation", b"Operation", b"Operation help",
                                         operation, None)
        _glib.g_option_context_add_group(context, group)
        _lib.vips_call_options(group, operation)
        strings = [ctypes.create_string_buffer(a.encode()) for a in ("vips", *args)]
        argv = (ctypes.c_void_p * (len(strings) + 1))(
            *(ctypes.addressof(s) for s in strings), None)
        argc = ctypes.c_int(len(strings))
        start, error = ctypes.c_void_p(ctypes.addressof(argv)), ctypes.c_void_p()
        if not _glib.g_option_context_parse(context, ctypes.byref(argc), ctypes.byref(start),
                                            ctypes.byref(error)):
            message = ctypes.cast(error.value + 8, ctypes.POINTER(ctypes.c_char_p))[0]
            _glib.g_error_free(error)
            raise VipsError(f"vips {name}: {message.decode(errors='replace')}")
        # argv lost its options; its first string is the program's name
        if _lib.vips_call_argv(operation, argc.value - 1,
                               start.value + ctypes.sizeof(ctypes.c_void_p)):
            raise _failure(f"vips {name} {' '.join(args)}")
    finally:
        _lib.vips_object_unref_outputs(operation)
        _lib.g_object_unref(operation)
        _glib.g_option_context_free(context)


def average(path):
    """vips avg PATH: the mean as the command prints it (six decimals)."""
    operation = ctypes.c_void_p(_operation("avg"))
    try:
        if (_lib.vips_object_set_argument_from_string(operation, b"in", path.encode())
                or _lib.vips_cache_operation_buildp(ctypes.byref(operation))):
            raise _failure(f"vips avg {path}")
        value = ctypes.c_double()
        _lib.g_object_get(operation, b"out", ctypes.byref(value), None)
        return float("%f" % value.value)
    finally:
        _lib.vips_object_unref_outputs(operation)
        _lib.g_object_unref(operation)


class _Image:
    def __init__(self, path):
        self.handle = _lib.vips_image_new_from_file(path.encode(), None)
        if not self.handle:
            raise _failure(f"cannot read {path}")

    def __enter__(self):
        return self.handle

    def __exit__(self, *_):
        _lib.g_object_unref(self.handle)


def size_of(path):
    with _Image(path) as image:
        return _lib.vips_image_get_width(image), _lib.vips_image_get_height(image)


def save_oriented(path, tag, target):
    """PATH saved as TARGET (save options allowed) with its orientation field set to TAG."""
    with _Image(path) as image:
        _lib.vips_image_set_int(image, b"orientation", tag)
        if _lib.vips_image_write_to_file(image, target.encode(), None):
            raise _failure(f"cannot write {target}")
