"""The type stubs and docstrings describe the module as it is."""

import ast
import inspect
import pathlib

import halden

STUB = pathlib.Path(halden.__file__).with_name("__init__.pyi")


def stub_definitions():
    tree = ast.parse(STUB.read_text())
    functions, classes = {}, {}
    for node in tree.body:
        if isinstance(node, ast.FunctionDef):
            functions[node.name] = node
        elif isinstance(node, ast.ClassDef):
            classes[node.name] = {n.name: n for n in node.body if isinstance(n, ast.FunctionDef)} | {
                n.target.id: n for n in node.body if isinstance(n, ast.AnnAssign)}
    return functions, classes


def stub_parameters(node):
    a = node.args
    names = [p.arg for p in a.posonlyargs + a.args if p.arg != "self"]
    return names + (["*"] if a.kwonlyargs else []) + [p.arg for p in a.kwonlyargs]


def top_level_parts(text):
    """text split at the commas outside brackets."""
    parts, depth, start = [], 0, 0
    for i, c in enumerate(text):
        depth += c in "([{"
        depth -= c in ")]}"
        if c == "," and depth == 0:
            parts.append(text[start:i])
            start = i + 1
    return parts + [text[start:]]


def runtime_parameters(function):
    # pybind11 writes the signature as the docstring's first line.
    signature = function.__doc__.splitlines()[0]
    inside = signature[signature.index("(") + 1:signature.rindex(") ->")]
    names = [part.split(":")[0].strip() for part in top_level_parts(inside) if part.strip()]
    return [n for n in names if n != "self"]


def test_every_public_name_is_in_the_stubs_and_nothing_else():
    functions, classes = stub_definitions()
    public = set(halden.__all__) - {"__version__"}
    assert set(functions) | set(classes) == public


def test_stub_signatures_match_the_module_and_every_function_is_explained():
    functions, classes = stub_definitions()
    for name, node in functions.items():
        function = getattr(halden, name)
        assert stub_parameters(node) == runtime_parameters(function), name
        assert len(inspect.getdoc(function).splitlines()) > 3, name
    for name, members in classes.items():
        cls = getattr(halden, name)
        runtime = {m for m in vars(cls) if not m.startswith("_") or m in ("__enter__", "__exit__", "__len__")}
        assert {m for m in members if m != "__init__"} == runtime, name
        for member in members:
            assert getattr(cls, member).__doc__, f"{name}.{member}"
    assert halden.colour.__module__ == "halden" and halden.Spectrum.__module__ == "halden"
    assert halden.Error.__module__ == "halden" and issubclass(halden.Error, RuntimeError)
