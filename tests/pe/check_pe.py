#!/usr/bin/python3
"""Structure checks on the built QUOR6LINK.dll: what the loader, COM, the host
and a user looking at the file's properties get to see.

    /usr/bin/python3 check_pe.py --arch i386|amd64 [--only GROUP ...] QUOR6LINK.dll

One line per check, then "N passed, M failed"; the exit status is non-zero
when anything failed.
"""
import argparse
import os
import re
import struct
import subprocess
import sys

import pefile

# ---------------------------------------------------------------------------
# What the DLL must look like.
# ---------------------------------------------------------------------------

EXPORT_DLL_NAME = "QUOR6LINK.dll"
EXPORT_ORDINAL_BASE = 1

# ordinal, name, 32-bit argument words the i386 stdcall export pops on return
EXPORTS = (
    (1, "DllCanUnloadNow", 0),
    (2, "DllGetClassObject", 3),
    (3, "DllRegisterServer", 0),
    (4, "DllUnregisterServer", 0),
)

# Anything else (libstdc++, libgcc, winpthread...) would not be on the user's machine.
ALLOWED_IMPORT_DLLS = frozenset((
    "kernel32.dll", "advapi32.dll", "user32.dll", "ole32.dll",
    "oleaut32.dll", "msvcrt.dll", "version.dll",
))

ARCHES = {
    "i386": {
        "machine": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"],
        "magic": pefile.OPTIONAL_HEADER_MAGIC_PE,
        "hardening": ("IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE",
                      "IMAGE_DLLCHARACTERISTICS_NX_COMPAT",
                      "IMAGE_DLLCHARACTERISTICS_NO_SEH"),
        "max_file_size": 32 * 1024,
        "stdcall": True,
    },
    "amd64": {
        "machine": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"],
        "magic": pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS,
        "hardening": ("IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE",
                      "IMAGE_DLLCHARACTERISTICS_NX_COMPAT",
                      "IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA"),
        "max_file_size": None,
        "stdcall": False,
    },
}

VERSION_RESOURCE_ID = 1
RESOURCE_LANGUAGE = 0x0409

FIXED_FILE_INFO_FIELDS = (
    "dwSignature", "dwStrucVersion", "dwFileVersionMS", "dwFileVersionLS",
    "dwProductVersionMS", "dwProductVersionLS", "dwFileFlagsMask", "dwFileFlags",
    "dwFileOS", "dwFileType", "dwFileSubtype", "dwFileDateMS", "dwFileDateLS",
)
FIXED_FILE_INFO = {
    "dwSignature": 0xFEEF04BD,
    "dwStrucVersion": 0x00010000,
    "dwFileVersionMS": 0x00010000,
    "dwFileVersionLS": 0x00000001,
    "dwProductVersionMS": 0x00010000,
    "dwProductVersionLS": 0x00000001,
    "dwFileFlagsMask": 0x3F,
    "dwFileFlags": 0,
    "dwFileOS": 0x4,           # VOS__WINDOWS32
    "dwFileType": 0x2,         # VFT_DLL
    "dwFileSubtype": 0,
    "dwFileDateMS": 0,
    "dwFileDateLS": 0,
}

STRING_TABLE_KEY = "040904B0"


def one_line_text(value):
    return value != "" and "\n" not in value and "\r" not in value


# key, expected value (a string, or a predicate and what it stands for), in order
VERSION_STRINGS = (
    ("CompanyName", ""),
    ("FileDescription", "Quor6Link DLL"),
    ("FileVersion", "1, 0, 0, 1"),
    ("InternalName", "Quor6Link"),
    ("LegalCopyright", (one_line_text, "any non-empty one-line text")),
    ("LegalTrademarks", ""),
    ("OriginalFilename", "Quor6Link.DLL"),
    ("ProductName", "Quor6Link Dynamic Link Library"),
    ("ProductVersion", "1, 0, 0, 1"),
)
TRANSLATIONS = ((0x0409, 0x04B0),)

STRING_RESOURCES = {
    1: "KYR V5 Quor Addin",
    2: "Adds Integration of KYR V5 TULM products inside Developer Studio",
}

GROUPS = ("machine", "exports", "imports", "hardening", "size", "version", "strings")

# ---------------------------------------------------------------------------
# Reporting
# ---------------------------------------------------------------------------


class Report:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, ok, what, found):
        print(f"{'PASS' if ok else 'FAIL'} {what}: {found}")
        if ok:
            self.passed += 1
        else:
            self.failed += 1
        return ok

    def info(self, what, found):
        print(f"INFO {what}: {found}")


def hex_or(value):
    return f"0x{value:X}" if isinstance(value, int) else repr(value)


# ---------------------------------------------------------------------------
# Machine and image kind
# ---------------------------------------------------------------------------


def check_machine(pe, arch, report):
    want = ARCHES[arch]
    machine = pe.FILE_HEADER.Machine
    report.check(machine == want["machine"], "machine",
                 f"0x{machine:X} {pefile.MACHINE_TYPE.get(machine, '?')}"
                 f" (want 0x{want['machine']:X})")
    is_dll = bool(pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_DLL"])
    report.check(is_dll, "IMAGE_FILE_DLL characteristic",
                 f"Characteristics 0x{pe.FILE_HEADER.Characteristics:04X}")
    magic = pe.OPTIONAL_HEADER.Magic
    names = {pefile.OPTIONAL_HEADER_MAGIC_PE: "PE32", pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS: "PE32+"}
    report.check(magic == want["magic"], "optional header magic",
                 f"0x{magic:X} {names.get(magic, '?')} (want {names[want['magic']]})")


# ---------------------------------------------------------------------------
# Exports
# ---------------------------------------------------------------------------


def read_exports(pe):
    """Export directory read straight from its tables, so that gaps, ordinal-only
    entries and forwarders are all seen as they are."""
    entry = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_EXPORT"]]
    if entry.VirtualAddress == 0:
        return None
    start, end = entry.VirtualAddress, entry.VirtualAddress + entry.Size
    (_, _, _, _, name_rva, base, n_functions, n_names,
     functions_rva, names_rva, ordinals_rva) = struct.unpack(
        "<IIHHIIIIIII", pe.get_data(start, 40))
    by_ordinal = {}
    for index in range(n_functions):
        rva = pe.get_dword_at_rva(functions_rva + 4 * index)
        if rva:
            forwarder = pe.get_string_at_rva(rva).decode("ascii", "replace") if start <= rva < end else None
            by_ordinal[base + index] = {"rva": rva, "names": [], "forwarder": forwarder}
    stray_names = []
    for index in range(n_names):
        name = pe.get_string_at_rva(pe.get_dword_at_rva(names_rva + 4 * index)).decode("ascii", "replace")
        ordinal = base + pe.get_word_at_rva(ordinals_rva + 2 * index)
        if ordinal in by_ordinal:
            by_ordinal[ordinal]["names"].append(name)
        else:
            stray_names.append((ordinal, name))
    return {
        "name": pe.get_string_at_rva(name_rva).decode("ascii", "replace"),
        "base": base,
        "by_ordinal": by_ordinal,
        "stray_names": stray_names,
    }


def check_exports(pe, arch, report, path, objdump):
    exports = read_exports(pe)
    if not report.check(exports is not None, "export directory", "present" if exports else "missing"):
        return
    report.check(exports["name"] == EXPORT_DLL_NAME, "export directory name",
                 f"{exports['name']!r} (want {EXPORT_DLL_NAME!r})")
    report.check(exports["base"] == EXPORT_ORDINAL_BASE, "export ordinal base",
                 f"{exports['base']} (want {EXPORT_ORDINAL_BASE})")

    by_ordinal = exports["by_ordinal"]
    for ordinal, name, _ in EXPORTS:
        found = by_ordinal.get(ordinal)
        if found is None:
            report.check(False, f"export {ordinal} {name}", "no export at that ordinal")
            continue
        ok = found["names"] == [name] and found["forwarder"] is None
        shown = f"names {found['names']}, RVA 0x{found['rva']:X}"
        if found["forwarder"] is not None:
            shown += f", forwarded to {found['forwarder']!r}"
        report.check(ok, f"export {ordinal} {name}", shown)

    expected = {ordinal for ordinal, _, _ in EXPORTS}
    extras = [f"{ordinal} {entry['names'] or '(by ordinal only)'}"
              for ordinal, entry in sorted(by_ordinal.items()) if ordinal not in expected]
    extras += [f"{ordinal} {name!r} (name without an address)" for ordinal, name in exports["stray_names"]]
    report.check(not extras, "no other exports", "; ".join(extras) if extras else "none")

    all_names = [name for entry in by_ordinal.values() for name in entry["names"]]
    all_names += [name for _, name in exports["stray_names"]]
    decorated = [name for name in all_names if name.startswith("_") or "@" in name]
    report.check(not decorated, "export names undecorated",
                 f"decorated: {decorated}" if decorated else ", ".join(sorted(all_names)))

    if ARCHES[arch]["stdcall"]:
        if pe.FILE_HEADER.Machine != ARCHES[arch]["machine"]:
            report.check(False, "stdcall returns", f"not disassembled: machine 0x{pe.FILE_HEADER.Machine:X}")
            return
        code = Disassembly(pe, path, objdump)
        for ordinal, name, words in EXPORTS:
            found = by_ordinal.get(ordinal)
            if found and found["forwarder"] is None and found["names"] == [name]:
                check_stdcall_returns(code, name, found["rva"], words, report)


# ---------------------------------------------------------------------------
# stdcall argument popping (i386)
#
# The DLL is stripped, so a function's end is unknown and the next function
# may well be a cdecl one ending in a plain "ret". Rather than scanning
# forward, follow the control flow from the export's entry: every return that
# can be reached from it must pop the export's arguments.
# ---------------------------------------------------------------------------

INSTRUCTION = re.compile(r"^\s*([0-9a-f]+):\s+(.*?)\s*$")
PREFIXES = ("rep", "repz", "repe", "repnz", "repne", "bnd", "notrack", "lock", "ds", "cs")
TRAPS = ("hlt", "ud2", "ud0", "ud1", "int3")
CONDITIONAL_JUMPS = ("loop", "loope", "loopz", "loopne", "loopnz", "jcxz", "jecxz")


class Disassembly:
    WINDOW = 0x200
    LONGEST = 15

    def __init__(self, pe, path, objdump):
        self.path = path
        self.objdump = objdump
        self.image_base = pe.OPTIONAL_HEADER.ImageBase
        self.code_ranges = [
            (self.image_base + s.VirtualAddress, self.image_base + s.VirtualAddress + s.Misc_VirtualSize)
            for s in pe.sections
            if s.Characteristics & pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_EXECUTE"]]
        self.import_slots = {imp.address: f"{entry.dll.decode()}!{imp.name.decode() if imp.name else imp.ordinal}"
                             for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []) for imp in entry.imports}
        self.known = {}  # address -> (instruction text, address of the next one)
        self.pe = pe

    def read_dword(self, address):
        return self.pe.get_dword_at_rva(address - self.image_base)

    def executable(self, address):
        return any(lo <= address < hi for lo, hi in self.code_ranges)

    def at(self, address):
        if address not in self.known:
            self._decode_from(address)
        return self.known.get(address)

    def _decode_from(self, address):
        # Near the stop address objdump decodes instructions cut short (as
        # ".byte" and bogus fragments), so only lines at least one longest
        # x86 instruction before it are kept; the rest come from the next window.
        section_end = min(hi for lo, hi in self.code_ranges if lo <= address < hi)
        stop = min(section_end, address + self.WINDOW)
        trusted_below = stop if stop == section_end else stop - self.LONGEST
        out = subprocess.run(
            [self.objdump, "-d", "-z", "--no-show-raw-insn", f"--start-address=0x{address:x}",
             f"--stop-address=0x{stop:x}", self.path],
            check=True, capture_output=True, text=True).stdout
        lines = [(int(m.group(1), 16), m.group(2)) for m in map(INSTRUCTION.match, out.splitlines()) if m]
        for (here, text), following in zip(lines, [line[0] for line in lines[1:]] + [stop]):
            if here < trusted_below:
                self.known.setdefault(here, (text, following))

def split_instruction(text):
    words = text.split(None, 1)
    while len(words) == 2 and words[0] in PREFIXES and not words[1].startswith(("%", "$", "(")):
        words = words[1].split(None, 1)
    mnemonic = words[0] if words else ""
    operands = words[1].split("#")[0].strip() if len(words) > 1 else ""
    return mnemonic, operands


def direct_target(operands):
    match = re.match(r"^(?:0x)?([0-9a-f]+)\b", operands)
    return int(match.group(1), 16) if match else None


def reachable_returns(code, entry, limit=20000):
    """Walks every path from entry. Returns (returns: {address: bytes popped},
    tail calls into imports, problems that stop the walk from being trusted)."""
    returns, import_tail_calls, problems = {}, [], []
    pending, visited = [entry], set()
    while pending and len(visited) < limit:
        address, bound = pending.pop(), None
        while address not in visited:
            visited.add(address)
            if not code.executable(address):
                problems.append(f"path leaves the code at 0x{address:x}")
                break
            decoded = code.at(address)
            if decoded is None:
                problems.append(f"nothing decodes at 0x{address:x}")
                break
            text, following = decoded
            mnemonic, operands = split_instruction(text)
            if re.fullmatch(r"ret[lw]?", mnemonic):
                pops = int(operands.lstrip("$"), 0) if operands else 0
                returns[address] = pops
                break
            if mnemonic in ("lret", "lretl", "iret", "iretl", "(bad)", ".byte") or mnemonic.startswith("ljmp"):
                problems.append(f"'{text}' at 0x{address:x}")
                break
            if mnemonic in TRAPS:
                break
            if mnemonic in ("jmp", "jmpl"):
                if operands.startswith("*"):
                    slot = re.fullmatch(r"\*(?:0x)?([0-9a-f]+)", operands)
                    table = re.fullmatch(r"\*(?:0x)?([0-9a-f]+)\(,(%\w+),4\)", operands)
                    if slot and int(slot.group(1), 16) in code.import_slots:
                        import_tail_calls.append(code.import_slots[int(slot.group(1), 16)])
                    elif table and bound and bound[0] == table.group(2) and bound[2]:
                        cases = [code.read_dword(int(table.group(1), 16) + 4 * index)
                                 for index in range(bound[1] + 1)]
                        if None in cases:
                            problems.append(f"jump table of '{text}' at 0x{address:x} is not in the image")
                        else:
                            pending.extend(cases)
                    else:
                        problems.append(f"indirect jump '{text}' at 0x{address:x} cannot be followed")
                    break
                target = direct_target(operands)
                if target is None:
                    problems.append(f"unreadable jump '{text}' at 0x{address:x}")
                    break
                pending.append(target)
                break
            # A switch's jump table is only followed behind its own range test
            # ("cmp $last,%reg; ja default; jmp *table(,%reg,4)"): that gives its length.
            compare = re.fullmatch(r"\$(0x[0-9a-f]+),(%\w+)", operands) if mnemonic in ("cmp", "cmpl") else None
            if compare:
                bound = (compare.group(2), int(compare.group(1), 16), False)
            elif mnemonic == "ja" and bound and not bound[2]:
                bound = (bound[0], bound[1], True)
            else:
                bound = None
            if mnemonic.startswith("j") or mnemonic in CONDITIONAL_JUMPS:
                target = direct_target(operands)
                if target is None:
                    problems.append(f"unreadable jump '{text}' at 0x{address:x}")
                    break
                pending.append(target)
            # A call to a function that never returns would make this walk run
            # on into whatever follows; that can only add returns, never hide one.
            address = following
    if pending:
        problems.append(f"gave up after {limit} instructions")
    return returns, import_tail_calls, problems


def check_stdcall_returns(code, name, rva, words, report):
    want = 4 * words
    spelled = f"ret $0x{want:x}" if want else "ret"
    try:
        returns, tail_calls, problems = reachable_returns(code, code.image_base + rva)
    except OSError as error:
        report.check(False, f"stdcall {name} returns", f"cannot run objdump: {error}")
        return
    except subprocess.CalledProcessError as error:
        report.check(False, f"stdcall {name} returns", f"objdump failed: {error.stderr.strip()}")
        return
    wrong = {address: pops for address, pops in returns.items() if pops != want}
    found = ", ".join(f"0x{address:x} pops {pops}" for address, pops in sorted(returns.items()))
    found = found or "no return found"
    if tail_calls:
        found += f"; tail calls to {', '.join(tail_calls)}"
    if problems:
        found += f"; {'; '.join(problems)}"
    report.check(bool(returns) and not wrong and not problems,
                 f"stdcall {name} returns with '{spelled}' ({words} args)", found)


# ---------------------------------------------------------------------------
# Imports
# ---------------------------------------------------------------------------


def check_imports(pe, arch, report):
    tables = [("", getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])),
              (" (delay-loaded)", getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", []))]
    seen = False
    for kind, entries in tables:
        for entry in entries:
            seen = True
            dll = entry.dll.decode("ascii", "replace")
            functions = ", ".join(imp.name.decode("ascii", "replace") if imp.name else f"#{imp.ordinal}"
                                  for imp in entry.imports)
            report.check(dll.lower() in ALLOWED_IMPORT_DLLS, f"import{kind} {dll}", functions)
    if not seen:
        report.info("imports", "none")


# ---------------------------------------------------------------------------
# Hardening
# ---------------------------------------------------------------------------


def check_hardening(pe, arch, report):
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    for flag in ARCHES[arch]["hardening"]:
        report.check(bool(flags & pefile.DLL_CHARACTERISTICS[flag]), flag.replace("IMAGE_DLLCHARACTERISTICS_", ""),
                     f"DllCharacteristics 0x{flags:04X}")


# ---------------------------------------------------------------------------
# Size
# ---------------------------------------------------------------------------


def check_size(pe, arch, report, path):
    size = os.path.getsize(path)
    budget = ARCHES[arch]["max_file_size"]
    if budget is None:
        report.info("file size", f"{size} bytes (no budget on {arch})")
    else:
        report.check(size <= budget, f"file size within {budget} bytes", f"{size} bytes")


# ---------------------------------------------------------------------------
# Resources
# ---------------------------------------------------------------------------


def resource_tree(pe):
    """{type id: {entry id or name: {language: bytes}}}"""
    tree = {}
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in root.entries if root else []:
        kind_key = kind.id if kind.name is None else str(kind.name)
        for item in kind.directory.entries:
            item_key = item.id if item.name is None else str(item.name)
            for language in item.directory.entries:
                data = pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
                tree.setdefault(kind_key, {}).setdefault(item_key, {})[language.id] = data
    return tree


def describe_entries(entries):
    return ", ".join(f"id {hex_or(item)} lang {[f'0x{lang:04X}' for lang in langs]}"
                     for item, langs in entries.items()) or "none"


def align4(offset):
    return (offset + 3) & ~3


def parse_version_block(data, offset=0):
    """One node of the VS_VERSIONINFO tree: wLength, wValueLength, wType, a
    NUL-terminated UTF-16 key, the value and the children, each 32-bit aligned.
    Text values count wValueLength in characters, binary ones in bytes."""
    length, value_length, kind = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    if length < 6 or end > len(data):
        raise ValueError(f"block at {offset} claims {length} bytes")
    cursor = offset + 6
    key_chars = []
    while True:
        if cursor + 2 > end:
            raise ValueError(f"unterminated key in block at {offset}")
        (char,) = struct.unpack_from("<H", data, cursor)
        cursor += 2
        if char == 0:
            break
        key_chars.append(chr(char))
    cursor = align4(cursor)
    value_size = value_length * 2 if kind == 1 else value_length
    value = data[cursor:min(cursor + value_size, end)]
    children = []
    child = align4(cursor + value_size)
    while child < end:
        node = parse_version_block(data, child)
        children.append(node)
        child = align4(child + node["length"])
    return {"length": length, "type": kind, "key": "".join(key_chars), "value": value, "children": children}


def text_value(node):
    text = node["value"].decode("utf-16-le", "replace")
    return text[:-1] if text.endswith("\0") else text


def check_version_resource(pe, arch, report):
    entries = resource_tree(pe).get(pefile.RESOURCE_TYPE["RT_VERSION"], {})
    shape_ok = (list(entries) == [VERSION_RESOURCE_ID]
                and list(entries[VERSION_RESOURCE_ID]) == [RESOURCE_LANGUAGE])
    report.check(shape_ok, f"one RT_VERSION resource, id {VERSION_RESOURCE_ID}, language 0x{RESOURCE_LANGUAGE:04X}",
                 describe_entries(entries))
    if not entries:
        return
    data = next(iter(next(iter(entries.values())).values()))
    try:
        root = parse_version_block(data)
    except (ValueError, struct.error) as error:
        report.check(False, "VS_VERSIONINFO structure", str(error))
        return
    report.check(root["key"] == "VS_VERSION_INFO" and len(root["value"]) == 52, "VS_VERSIONINFO root",
                 f"key {root['key']!r}, value of {len(root['value'])} bytes")
    check_fixed_file_info(root["value"], report)

    by_key = {}
    for child in root["children"]:
        by_key.setdefault(child["key"], []).append(child)
    report.check(sorted(by_key) == ["StringFileInfo", "VarFileInfo"]
                 and all(len(nodes) == 1 for nodes in by_key.values()),
                 "one StringFileInfo and one VarFileInfo", [child["key"] for child in root["children"]])
    for node in by_key.get("StringFileInfo", [])[:1]:
        check_string_file_info(node, report)
    for node in by_key.get("VarFileInfo", [])[:1]:
        check_var_file_info(node, report)


def check_fixed_file_info(value, report):
    if len(value) < 52:
        report.check(False, "VS_FIXEDFILEINFO", f"only {len(value)} bytes")
        return
    fields = dict(zip(FIXED_FILE_INFO_FIELDS, struct.unpack_from("<13I", value)))
    for name in FIXED_FILE_INFO_FIELDS:
        report.check(fields[name] == FIXED_FILE_INFO[name], f"VS_FIXEDFILEINFO {name}",
                     f"0x{fields[name]:08X} (want 0x{FIXED_FILE_INFO[name]:08X})")


def check_string_file_info(node, report):
    tables = node["children"]
    report.check(len(tables) == 1 and tables[0]["key"] == STRING_TABLE_KEY,
                 f"one string table keyed {STRING_TABLE_KEY!r}", [table["key"] for table in tables])
    if not tables:
        return
    strings = [(entry["key"], text_value(entry)) for entry in tables[0]["children"]]
    keys = [key for key, _ in strings]
    want_keys = [key for key, _ in VERSION_STRINGS]
    report.check(keys == want_keys, "version string keys, in order", keys)
    values = dict(strings)
    for key, want in VERSION_STRINGS:
        if key not in values:
            report.check(False, f"version string {key}", "missing")
            continue
        if isinstance(want, tuple):
            predicate, described = want
            report.check(predicate(values[key]), f"version string {key} is {described}", repr(values[key]))
        else:
            report.check(values[key] == want, f"version string {key} == {want!r}", repr(values[key]))


def check_var_file_info(node, report):
    variables = node["children"]
    pairs = None
    if len(variables) == 1 and variables[0]["key"] == "Translation" and len(variables[0]["value"]) % 4 == 0:
        raw = variables[0]["value"]
        pairs = tuple(struct.unpack_from("<HH", raw, i) for i in range(0, len(raw), 4))
    found = ([f"0x{lang:04X}/0x{codepage:04X}" for lang, codepage in pairs] if pairs is not None
             else [f"{var['key']!r} ({len(var['value'])} bytes)" for var in variables])
    report.check(pairs == TRANSLATIONS, "VarFileInfo Translation "
                 + ", ".join(f"0x{lang:04X}/0x{codepage:04X}" for lang, codepage in TRANSLATIONS), found)


def parse_string_block(block_id, data):
    """Block n holds ids (n-1)*16 .. n*16-1, each a length-prefixed UTF-16 string."""
    strings, cursor = {}, 0
    for slot in range(16):
        if cursor + 2 > len(data):
            raise ValueError(f"block {block_id} ends before slot {slot}")
        (length,) = struct.unpack_from("<H", data, cursor)
        cursor += 2
        if cursor + 2 * length > len(data):
            raise ValueError(f"block {block_id} slot {slot} runs past the end")
        if length:
            strings[(block_id - 1) * 16 + slot] = data[cursor:cursor + 2 * length].decode("utf-16-le", "replace")
        cursor += 2 * length
    return strings


def check_string_table(pe, arch, report):
    entries = resource_tree(pe).get(pefile.RESOURCE_TYPE["RT_STRING"], {})
    languages = {lang for langs in entries.values() for lang in langs}
    report.check(languages == {RESOURCE_LANGUAGE}, f"RT_STRING only in language 0x{RESOURCE_LANGUAGE:04X}",
                 describe_entries(entries))
    strings = {}
    for block_id, langs in entries.items():
        for data in langs.values():
            try:
                if not isinstance(block_id, int):
                    raise ValueError(f"block named {block_id!r}")
                strings.update(parse_string_block(block_id, data))
            except ValueError as error:
                report.check(False, "string block layout", str(error))
    report.check(sorted(strings) == sorted(STRING_RESOURCES), "string ids",
                 sorted(strings))
    for string_id, want in sorted(STRING_RESOURCES.items()):
        got = strings.get(string_id)
        report.check(got == want, f"string {string_id} == {want!r} ({len(want)} chars)",
                     "missing" if got is None else f"{got!r} ({len(got)} chars)")


# ---------------------------------------------------------------------------


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--arch", required=True, choices=sorted(ARCHES))
    parser.add_argument("--only", action="append", choices=GROUPS,
                        help="run only this group of checks (may be repeated)")
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump",
                        help="i386 objdump, for the stdcall return checks")
    parser.add_argument("dll")
    args = parser.parse_args(argv)

    report = Report()
    try:
        pe = pefile.PE(args.dll, fast_load=False)
    except (OSError, pefile.PEFormatError) as error:
        report.check(False, "readable PE image", str(error))
        pe = None
    if pe is not None:
        runners = {
            "machine": lambda: check_machine(pe, args.arch, report),
            "exports": lambda: check_exports(pe, args.arch, report, args.dll, args.objdump),
            "imports": lambda: check_imports(pe, args.arch, report),
            "hardening": lambda: check_hardening(pe, args.arch, report),
            "size": lambda: check_size(pe, args.arch, report, args.dll),
            "version": lambda: check_version_resource(pe, args.arch, report),
            "strings": lambda: check_string_table(pe, args.arch, report),
        }
        for group in args.only or GROUPS:
            runners[group]()

    print(f"{report.passed} passed, {report.failed} failed")
    return 1 if report.failed or not report.passed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
