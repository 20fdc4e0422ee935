#!/usr/bin/env python3
"""Reads a PE file's machine and resources and checks what Tarnwick.exe must
carry for later Windows: the manifest (administrator rights, supported
systems, no Common Controls 6), the version resource and the program icon.

  pe_resources.py machine FILE       prints i386 or x86-64
  pe_resources.py check FILE         checks the resources; prints each fault,
                                     exit 1 when there is one
"""
import struct
import sys
import xml.etree.ElementTree as ET

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
IDI_APP = 1


class PE:
    def __init__(self, path):
        self.data = open(path, 'rb').read()
        d = self.data
        if d[:2] != b'MZ':
            raise ValueError('not an MZ file')
        pe = struct.unpack_from('<I', d, 0x3C)[0]
        if d[pe:pe + 4] != b'PE\0\0':
            raise ValueError('no PE signature')
        self.machine, nsec = struct.unpack_from('<HH', d, pe + 4)
        opt_size = struct.unpack_from('<H', d, pe + 20)[0]
        opt = pe + 24
        magic = struct.unpack_from('<H', d, opt)[0]
        dirs = opt + (96 if magic == 0x10B else 112)
        self.rsrc_rva, self.rsrc_size = struct.unpack_from('<II', d, dirs + 2 * 8)
        self.sections = []
        sec = opt + opt_size
        for i in range(nsec):
            vsize, va, rawsize, rawptr = struct.unpack_from('<IIII', d, sec + 40 * i + 8)
            self.sections.append((va, max(vsize, rawsize), rawptr))

    def offset(self, rva):
        for va, size, raw in self.sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError('RVA %#x outside every section' % rva)

    def resources(self):
        """{(type, id): bytes} for numbered types and names (first language)."""
        out = {}
        if not self.rsrc_rva:
            return out
        base = self.offset(self.rsrc_rva)
        d = self.data

        def entries(off):
            named, ids = struct.unpack_from('<HH', d, base + off + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from('<II', d, base + off + 16 + 8 * i)
                yield (None if name & 0x80000000 else name), target

        for rtype, t in entries(0):
            if not t & 0x80000000:
                continue
            for rid, n in entries(t & 0x7FFFFFFF):
                if not n & 0x80000000 or rid is None:
                    continue
                for _, leaf in entries(n & 0x7FFFFFFF):
                    if leaf & 0x80000000:
                        continue
                    rva, size = struct.unpack_from('<II', d, base + leaf)
                    out.setdefault((rtype, rid), d[self.offset(rva):self.offset(rva) + size])
        return out


def check(path):
    faults = []
    res = PE(path).resources()

    manifest = res.get((RT_MANIFEST, 1))
    if manifest is None:
        faults.append('no manifest (RT_MANIFEST 1)')
    else:
        try:
            root = ET.fromstring(manifest)
        except ET.ParseError as e:
            faults.append('manifest is not well-formed XML: %s' % e)
            root = None
        if root is not None:
            levels = [e.get('level') for e in root.iter() if e.tag.endswith('}requestedExecutionLevel')]
            if levels != ['requireAdministrator']:
                faults.append('manifest asks for execution level %s, not requireAdministrator' % levels)
            trust = [e.tag for e in root.iter() if e.tag.endswith('}trustInfo')]
            if trust and not trust[0].startswith('{urn:schemas-microsoft-com:asm.v2}'):
                faults.append('trustInfo is not in the asm.v2 namespace that Windows XP accepts')
            oses = {e.get('Id').lower() for e in root.iter() if e.tag.endswith('}supportedOS')}
            for name, guid in (('Vista', '{e2011457-1546-43c5-a5fe-008deee3d3f0}'),
                               ('7', '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}'),
                               ('10', '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}')):
                if guid not in oses:
                    faults.append('manifest does not declare Windows %s' % name)
            deps = [e.get('name') for e in root.iter() if e.tag.endswith('}assemblyIdentity')]
            if any(n and 'Common-Controls' in n for n in deps):
                faults.append('manifest depends on Common Controls 6')

    version = res.get((RT_VERSION, 1))
    if version is None:
        faults.append('no version resource')
    else:
        if struct.pack('<I', 0xFEEF04BD) not in version:
            faults.append('version resource has no VS_FIXEDFILEINFO')
        for key, value in (('OriginalFilename', 'Tarnwick.exe'), ('CompanyName', 'LumeDax')):
            pair = (key + '\0').encode('utf-16-le')
            if pair not in version or (value + '\0').encode('utf-16-le') not in version:
                faults.append('version resource lacks %s "%s"' % (key, value))

    group = res.get((RT_GROUP_ICON, IDI_APP))
    if group is None:
        faults.append('no icon group IDI_APP (%d)' % IDI_APP)
    else:
        count = struct.unpack_from('<H', group, 4)[0]
        sizes = set()
        for i in range(count):
            w, h, colours, _, _, bits, _, icon_id = struct.unpack_from('<BBBBHHIH', group, 6 + 14 * i)
            w, h = w or 256, h or 256
            sizes.add((w, h))
            if bits > 8:
                faults.append('icon %dx%d has %d bits per pixel (16 or 256 colours wanted)' % (w, h, bits))
            if (RT_ICON, icon_id) not in res:
                faults.append('icon %dx%d names missing RT_ICON %d' % (w, h, icon_id))
        for need in ((16, 16), (32, 32)):
            if need not in sizes:
                faults.append('icon has no %dx%d image' % need)
    return faults


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ('machine', 'check'):
        print(__doc__, file=sys.stderr)
        return 2
    try:
        pe = PE(sys.argv[2])
    except (OSError, ValueError, struct.error) as e:
        print('%s: %s' % (sys.argv[2], e))
        return 1
    if sys.argv[1] == 'machine':
        print({0x14C: 'i386', 0x8664: 'x86-64'}.get(pe.machine, hex(pe.machine)))
        return 0
    faults = check(sys.argv[2])
    for f in faults:
        print('%s: %s' % (sys.argv[2], f))
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
