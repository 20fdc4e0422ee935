#!/usr/bin/env python3
"""pe_resources.py machine FILE: prints i386 or x86-64.
pe_resources.py check FILE: prints each fault of what Tarnwick.exe must carry
for later Windows (manifest: administrator rights, supported systems, no
Common Controls 6; version resource; program icon), exit 1 when there is one."""
import struct
import sys
import xml.etree.ElementTree as ET

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


def read_pe(path):
    d = open(path, 'rb').read()
    pe = struct.unpack_from('<I', d, 0x3C)[0]
    if d[:2] != b'MZ' or d[pe:pe + 4] != b'PE\0\0':
        raise ValueError('not a PE file')
    machine, nsec = struct.unpack_from('<HH', d, pe + 4)
    opt_size = struct.unpack_from('<H', d, pe + 20)[0]
    opt = pe + 24
    dirs = opt + (96 if struct.unpack_from('<H', d, opt)[0] == 0x10B else 112)
    rsrc_rva = struct.unpack_from('<I', d, dirs + 16)[0]
    sections = [struct.unpack_from('<IIII', d, opt + opt_size + 40 * i + 8) for i in range(nsec)]

    def offset(rva):
        for vsize, va, rawsize, raw in sections:
            if va <= rva < va + max(vsize, rawsize):
                return raw + rva - va
        raise ValueError('RVA %#x outside every section' % rva)

    res = {}
    if rsrc_rva:
        base = offset(rsrc_rva)

        def entries(off):
            named, ids = struct.unpack_from('<HH', d, base + off + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from('<II', d, base + off + 16 + 8 * i)
                yield (None if name & 0x80000000 else name), target

        for rtype, t in entries(0):
            for rid, n in entries(t & 0x7FFFFFFF) if t & 0x80000000 else ():
                for _, leaf in entries(n & 0x7FFFFFFF) if n & 0x80000000 and rid is not None else ():
                    if not leaf & 0x80000000:
                        rva, size = struct.unpack_from('<II', d, base + leaf)
                        res.setdefault((rtype, rid), d[offset(rva):offset(rva) + size])
    return machine, res


def check(res):
    faults = []
    manifest = res.get((RT_MANIFEST, 1))
    if manifest is None:
        faults.append('no manifest (RT_MANIFEST 1)')
    else:
        root = ET.fromstring(manifest)
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
        if any('Common-Controls' in (e.get('name') or '') for e in root.iter() if e.tag.endswith('}assemblyIdentity')):
            faults.append('manifest depends on Common Controls 6')
    version = res.get((RT_VERSION, 1), b'')
    if struct.pack('<I', 0xFEEF04BD) not in version:
        faults.append('no version resource with VS_FIXEDFILEINFO')
    for key, value in (('OriginalFilename', 'Tarnwick.exe'), ('CompanyName', 'LumeDax')):
        if (key + '\0').encode('utf-16-le') not in version or (value + '\0').encode('utf-16-le') not in version:
            faults.append('version resource lacks %s "%s"' % (key, value))
    group = res.get((RT_GROUP_ICON, 1))
    if group is None:
        faults.append('no icon group IDI_APP (1)')
        return faults
    images = [struct.unpack_from('<BBBBHHIH', group, 6 + 14 * i) for i in range(struct.unpack_from('<H', group, 4)[0])]
    faults += ['icon %dx%d missing or over 256 colours' % (w, h) for w, h, _, _, _, bits, _, icon_id in images
               if bits > 8 or (RT_ICON, icon_id) not in res]
    faults += ['icon has no %dx%d image' % s for s in ((16, 16), (32, 32)) if s not in [i[:2] for i in images]]
    return faults


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ('machine', 'check'):
        print(__doc__, file=sys.stderr)
        return 2
    try:
        machine, res = read_pe(sys.argv[2])
    except (OSError, ValueError, struct.error) as e:
        print('%s: %s' % (sys.argv[2], e))
        return 1
    if sys.argv[1] == 'machine':
        print({0x14C: 'i386', 0x8664: 'x86-64'}.get(machine, hex(machine)))
        return 0
    faults = check(res)
    for f in faults:
        print('%s: %s' % (sys.argv[2], f))
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
