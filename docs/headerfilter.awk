# Doxygen reads only /** comments, and the C headers are written with plain ones. This
# filter shows Doxygen a header with every plain comment that documents a declaration
# turned into a doc comment: a block directly above a declaration (or #define), and a
# comment after a declaration on its own line. Blocks that stand apart (section headings,
# notes followed by a blank line or a conditional) stay plain. A field line declaring
# several names ("float x, y; /* ... */") is shown as one declaration per name, each with
# the comment, since Doxygen gives a trailing comment to the last name only. Line numbers
# are kept, so warnings point at the real header.
{ line[NR] = $0 }

function opensPlainComment(text) {
    return text ~ /^[ \t]*\/\*([^*!]|$)/
}

function documentsNext(text) {
    return text !~ /^[ \t]*$/ && text !~ /^[ \t]*\/[*\/]/ && text !~ /^[ \t]*#[ \t]*(if|else|elif|endif|include)/
}

# "    float x, y; /**< doc */" -> "    float x; /**< doc */ float y; /**< doc */"
function splitDeclarators(text,    semicolon, declaration, comment, first, type, names, count, k, out) {
    semicolon = index(text, ";")
    if (semicolon == 0 || text !~ /\/\*\*</) return text
    declaration = substr(text, 1, semicolon - 1)
    if (declaration ~ /\(/) return text
    comment = substr(text, semicolon + 1)
    sub(/^[ \t]*/, "", comment)
    if (!match(declaration, /[A-Za-z_][A-Za-z0-9_]*(\[[0-9]*\])?[ \t]*,/)) return text
    first = RSTART
    type = substr(declaration, 1, first - 1)
    count = split(substr(declaration, first), names, /[ \t]*,[ \t]*/)
    out = ""
    for (k = 1; k <= count; k++) out = out (k == 1 ? type : " " substr(type, match(type, /[^ \t]/))) names[k] "; " comment
    return out
}

END {
    for (i = 1; i <= NR; i++) {
        if (opensPlainComment(line[i])) {
            last = i
            while (last < NR && line[last] !~ /\*\//) last++
            if (last < NR && documentsNext(line[last + 1])) sub(/\/\*/, "/**", line[i])
            for (; i <= last; i++) print line[i]
            i = last
            continue
        }
        text = line[i]
        if (text ~ /\/\*[^*!]/) sub(/\/\*/, "/**<", text)
        print splitDeclarators(text)
    }
}
