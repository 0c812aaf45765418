#!/usr/bin/env python3
"""Writes examples/bank.gift: a bank of 100 multiple-choice questions in GIFT, with 2 to 5
choices, comment lines, a category and a few escaped characters, as a teacher might keep it.
`python3 examples/make_bank.py` rewrites it; `--check` only says whether it is up to date."""
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent

CAPITALS = [
    ("France", "Paris"), ("Italy", "Rome"), ("Spain", "Madrid"), ("Portugal", "Lisbon"),
    ("Germany", "Berlin"), ("Austria", "Vienna"), ("Poland", "Warsaw"), ("Norway", "Oslo"),
    ("Sweden", "Stockholm"), ("Finland", "Helsinki"), ("Denmark", "Copenhagen"),
    ("Ireland", "Dublin"), ("Greece", "Athens"), ("Hungary", "Budapest"),
    ("Czechia", "Prague"), ("Canada", "Ottawa"), ("Australia", "Canberra"),
    ("Japan", "Tokyo"), ("Egypt", "Cairo"), ("Peru", "Lima"), ("Chile", "Santiago"),
    ("Kenya", "Nairobi"), ("Iceland", "Reykjavík"), ("Turkey", "Ankara"),
    ("Brazil", "Brasília"),
]

PLANETS = ["Mercury", "Venus", "Earth", "Mars", "Jupiter", "Saturn", "Uranus", "Neptune"]
PLANET_FACTS = [
    ("Which planet is closest to the Sun?", "Mercury"),
    ("Which planet is the largest?", "Jupiter"),
    ("Which planet is known as the red planet?", "Mars"),
    ("Which planet has the most famous rings?", "Saturn"),
    ("Which planet spins on its side?", "Uranus"),
    ("Which planet is farthest from the Sun?", "Neptune"),
    ("Which planet is the hottest?", "Venus"),
    ("On which planet do we live?", "Earth"),
]
PRIMES = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41, 43, 47}


def escape(text):
    out = ""
    for c in text:
        if c in "~=#{}:\\":
            out += "\\"
        out += c
    return out


def question(name, text, choices, right):
    lines = [f"::{escape(name)}::{escape(text)} {{"]
    for k, choice in enumerate(choices):
        lines.append(("\t=" if k == right else "\t~") + escape(choice))
    lines.append("}")
    return "\n".join(lines) + "\n\n"


def bank():
    out = ["// A bank of 100 multiple-choice questions for Tamberlin, made by make_bank.py.\n"
           "// Import it with: tamberlin --import bank.gift -o bank.qvt\n\n"]
    out.append("$CATEGORY: Geography/Capitals\n\n")
    n = 0
    # 25 capitals, four choices each; the right one moves through A to D.
    for i, (country, capital) in enumerate(CAPITALS):
        others = [c for _, c in CAPITALS[i + 1:] + CAPITALS[:i]][::6][:3]
        choices = others[:]
        choices.insert(i % 4, capital)
        n += 1
        out.append(f"// {n}\n" + question(f"Capital {n}", f"What is the capital of {country}?",
                                          choices, i % 4))
    out.append("$CATEGORY: Arithmetic\n\n")
    # 25 sums and products, five choices each.
    for i in range(25):
        a, b = 3 + i % 9, 4 + (i * 5) % 8
        product = i % 2 == 0
        value = a * b if product else a + b
        sign = "×" if product else "+"
        choices = [value + d for d in (-2, -1, 1, 2)]
        choices.insert(i % 5, value)
        n += 1
        out.append(f"// {n}\n" + question(f"Sum {n}", f"What is {a} {sign} {b}?",
                                          [str(c) for c in choices], i % 5))
    out.append("$CATEGORY: Numbers\n\n")
    # 25 yes/no questions about primes, two choices each.
    for i in range(25):
        number = 2 + i * 2 - (i % 3)
        n += 1
        out.append(f"// {n}\n" + question(f"Prime {n}", f"Is {number} a prime number?",
                                          ["Yes", "No"], 0 if number in PRIMES else 1))
    out.append("$CATEGORY: Solar System\n\n")
    # 25 planet questions, three choices each.
    for i in range(25):
        text, answer = PLANET_FACTS[i % len(PLANET_FACTS)]
        if i >= len(PLANET_FACTS):
            text = f"{text} (round {i // len(PLANET_FACTS) + 1})"
        others = [p for p in PLANETS if p != answer]
        choices = [others[(i + 2 * k) % len(others)] for k in range(2)]
        choices.insert(i % 3, answer)
        n += 1
        out.append(f"// {n}\n" + question(f"Planet {n}", text, choices, i % 3))
    assert n == 100
    return "".join(out)


def main():
    target = HERE / "bank.gift"
    text = bank().encode("utf-8")
    if sys.argv[1:] == ["--check"]:
        if not target.exists() or target.read_bytes() != text:
            print(f"{target} is not what make_bank.py makes; run it again", file=sys.stderr)
            return 1
        return 0
    target.write_bytes(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
