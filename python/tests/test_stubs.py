# SPDX-License-Identifier: MIT
"""The stubs type checkers read (_native.pyi) name what the extension has, no more, no less."""

from __future__ import annotations

import ast
from pathlib import Path

import brixel
from brixel import _native

STUBS = Path(brixel.__file__).with_name("_native.pyi")


def stub_names(body: list[ast.stmt]) -> set[str]:
    names: set[str] = set()
    for node in body:
        if isinstance(node, (ast.FunctionDef, ast.ClassDef)):
            names.add(node.name)
        elif isinstance(node, ast.AnnAssign) and isinstance(node.target, ast.Name):
            names.add(node.target.id)
    return names


def public(names: list[str]) -> set[str]:
    return {n for n in names if not n.startswith("_")}


def test_the_stubs_name_every_function_and_constant_of_the_extension() -> None:
    tree = ast.parse(STUBS.read_text())
    assert stub_names(tree.body) == public(dir(_native))


def test_the_stubs_name_every_property_of_an_outcome() -> None:
    tree = ast.parse(STUBS.read_text())
    outcome = next(n for n in tree.body if isinstance(n, ast.ClassDef) and n.name == "Outcome")
    assert stub_names(outcome.body) == public(dir(_native.Outcome))
