# cmake -DBUILD=<folder> -DOUT=<file> -P commands.cmake
# Writes each compile command of <folder>/compile_commands.json to <file> as
# one shell line that runs it in its folder.
file(READ ${BUILD}/compile_commands.json entries)
string(JSON count LENGTH "${entries}")
math(EXPR last "${count} - 1")
set(lines "")
foreach(i RANGE ${last})
    string(JSON dir GET "${entries}" ${i} directory)
    string(JSON command GET "${entries}" ${i} command)
    string(APPEND lines "cd ${dir} && ${command}\n")
endforeach()
file(WRITE ${OUT} "${lines}")
