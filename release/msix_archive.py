"""Packs files into an unsigned MSIX: the files, the block map that hashes
them and the content types, in one zip laid out as Windows reads a package."""
import base64
import hashlib
import struct
import zlib
from dataclasses import dataclass
from pathlib import Path
from xml.sax.saxutils import quoteattr

BLOCK_SIZE = 64 * 1024
BLOCK_MAP = "AppxBlockMap.xml"
CONTENT_TYPES = "[Content_Types].xml"
SHA256_METHOD = "http://www.w3.org/2001/04/xmlenc#sha256"
# Already-compressed formats are stored; deflating them again gains nothing.
STORED_EXTENSIONS = {".png"}
CONTENT_TYPE_OF_EXTENSION = {".png": "image/png"}
# The signature is named before it exists: the signer adds it.
CONTENT_TYPE_OF_PART = {
    "AppxManifest.xml": "application/vnd.ms-appx.manifest+xml",
    BLOCK_MAP: "application/vnd.ms-appx.blockmap+xml",
    "AppxSignature.p7x": "application/vnd.ms-appx.signature",
}

LOCAL_HEADER = struct.Struct("<IHHHHHIIIHH")
CENTRAL_HEADER = struct.Struct("<IHHHHHHIIIHHHHHII")
END_OF_CENTRAL_DIRECTORY = struct.Struct("<IHHHHIIH")
ZIP_VERSION = 20  # 2.0: deflate; nothing here needs ZIP64
STORED, DEFLATED = 0, 8
DOS_DATE_1980_01_01 = (0 << 9) | (1 << 5) | 1  # a fixed time keeps the package reproducible


@dataclass
class Entry:
    name: str
    data: bytes
    method: int
    packed: bytes
    block_sizes: list  # compressed size of each block; empty when stored

    @property
    def local_header_size(self):
        return LOCAL_HEADER.size + len(self.name.encode())


def blocks(data):
    return [data[i:i + BLOCK_SIZE] for i in range(0, len(data), BLOCK_SIZE)]


def entry(name, data):
    """The file as it goes into the zip. A deflated file is flushed at every
    block's end, so each block's compressed bytes stand alone and the block map
    can give their size."""
    if Path(name).suffix in STORED_EXTENSIONS:
        return Entry(name, data, STORED, data, [])
    compressor = zlib.compressobj(9, zlib.DEFLATED, -15)
    pieces = blocks(data) or [b""]
    packed = [compressor.compress(block) + compressor.flush(zlib.Z_FULL_FLUSH) for block in pieces[:-1]]
    packed.append(compressor.compress(pieces[-1]) + compressor.flush(zlib.Z_FINISH))
    return Entry(name, data, DEFLATED, b"".join(packed), [len(piece) for piece in packed])


def block_map(entries):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             f'<BlockMap xmlns="http://schemas.microsoft.com/appx/2010/blockmap" HashMethod="{SHA256_METHOD}">']
    for item in entries:
        lines.append(f'  <File Name={quoteattr(item.name)} Size="{len(item.data)}" LfhSize="{item.local_header_size}">')
        sizes = item.block_sizes or [None] * len(blocks(item.data))
        for block, size in zip(blocks(item.data), sizes):
            digest = base64.b64encode(hashlib.sha256(block).digest()).decode()
            lines.append(f'    <Block Hash="{digest}"' + (f' Size="{size}"' if size is not None else "") + "/>")
        lines.append("  </File>")
    lines.append("</BlockMap>")
    return ("\n".join(lines) + "\n").encode()


def content_types(names):
    extensions = sorted({Path(name).suffix for name in names} & CONTENT_TYPE_OF_EXTENSION.keys())
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">']
    lines += [f'  <Default Extension="{extension[1:]}" ContentType="{CONTENT_TYPE_OF_EXTENSION[extension]}"/>'
              for extension in extensions]
    lines += [f'  <Override PartName="/{part}" ContentType="{content_type}"/>'
              for part, content_type in CONTENT_TYPE_OF_PART.items()]
    lines.append("</Types>")
    return ("\n".join(lines) + "\n").encode()


def zip_bytes(entries):
    """A plain zip: sizes in the local headers, no data descriptors, the central
    directory in the order of the files."""
    body, directory = bytearray(), bytearray()
    for item in entries:
        name = item.name.encode()
        crc = zlib.crc32(item.data)
        fields = (ZIP_VERSION, 0, item.method, 0, DOS_DATE_1980_01_01, crc, len(item.packed), len(item.data), len(name))
        directory += CENTRAL_HEADER.pack(0x02014B50, ZIP_VERSION, *fields, 0, 0, 0, 0, 0, len(body)) + name
        body += LOCAL_HEADER.pack(0x04034B50, *fields, 0) + name + item.packed
    end = END_OF_CENTRAL_DIRECTORY.pack(0x06054B50, 0, 0, len(entries), len(entries), len(directory), len(body), 0)
    return bytes(body + directory + end)


def pack(files):
    """The package of these (name, bytes) pairs: the files in their order, then
    the block map, and the content types last, where the signer rewrites them
    and adds the signature after."""
    entries = [entry(name, data) for name, data in files]
    entries.append(entry(BLOCK_MAP, block_map(entries)))
    entries.append(entry(CONTENT_TYPES, content_types([name for name, _ in files])))
    return zip_bytes(entries)
