# SPDX-License-Identifier: Apache-2.0
# fish completion for kestrel-nss-cli

set -l commands disks drives ls recover cat find disk-scan save-scan image clone mount hexdump raid-detect report
set -l reading ls recover cat find save-scan mount hexdump report
set -l masked ls recover save-scan mount

# The pools, or the volumes (of the pool named on the line, else all), of the source on the line.
function __kestrel_nss_names -a kind
    set -l tokens (commandline -opc)
    set -l source
    set -l disk
    set -l pool
    for i in (seq (count $tokens))
        switch $tokens[$i]
            case --image --raid
                set source $tokens[$i] $tokens[(math $i + 1)]
            case --disk
                set disk $tokens[(math $i + 1)]
            case --pool
                set pool $tokens[(math $i + 1)]
        end
    end
    kestrel-nss-cli disks $source 2>/dev/null | awk -v kind=$kind -v disk="$disk" -v pool="$pool" '
        /^Disk[0-9]/ { here = (disk == "" || $1 == "Disk" disk); next }
        !here { next }
        $1 ~ /^Pool:/ { current = substr($1, 6); if (kind == "pool") print current; next }
        $1 ~ /^Volume:/ && kind == "volume" && (pool == "" || pool == current) { print substr($1, 8) }'
end

function __kestrel_nss_disks
    kestrel-nss-cli disks 2>/dev/null | awk '/^Disk[0-9]/ { print substr($1, 5) }'
end

set -l c kestrel-nss-cli
complete -c $c -f
complete -c $c -n "not __fish_seen_subcommand_from $commands" -l help -d 'Show the options'
complete -c $c -n "not __fish_seen_subcommand_from $commands" -l version -d 'Print the version'
complete -c $c -n "not __fish_seen_subcommand_from $commands" -a disks -d 'Every disk with its pools and volumes'
complete -c $c -n "not __fish_seen_subcommand_from $commands" -a drives -d 'The drives imaging and cloning can use'
complete -c $c -n "not __fish_seen_subcommand_from $commands" -a ls -d 'Every folder and file of a volume'
complete -c $c -n "not __fish_seen_subcommand_from $commands" -a recover -d 'Recover folders and files'
complete -c $c -n "not __fish_seen_subcommand_from $commands" -a cat -d 'Write one file to standard output'
complete -c $c -n "not __fish_seen_subcommand_from $commands" -a find -d 'Every file matching a pattern'
complete -c $c -n "not __fish_seen_subcommand_from $commands" -a disk-scan -d 'Search a disk for lost pools'
complete -c $c -n "not __fish_seen_subcommand_from $commands" -a save-scan -d 'Write a scan information file'
complete -c $c -n "not __fish_seen_subcommand_from $commands" -a image -d 'Copy a disk or a pool into an image'
complete -c $c -n "not __fish_seen_subcommand_from $commands" -a clone -d 'Copy disk N onto disk M'
complete -c $c -n "not __fish_seen_subcommand_from $commands" -a mount -d 'Serve the tree as a read-only folder'
complete -c $c -n "not __fish_seen_subcommand_from $commands" -a hexdump -d 'Show one file in hex'
complete -c $c -n "not __fish_seen_subcommand_from $commands" -a raid-detect -d 'Find the geometry of a RAID set'
complete -c $c -n "not __fish_seen_subcommand_from $commands" -a report -d 'Write the inventory of a volume'

# Sources
complete -c $c -n "__fish_seen_subcommand_from $reading disk-scan image" -l disk -x -a '(__kestrel_nss_disks)' -d 'Physical disk N'
complete -c $c -n "__fish_seen_subcommand_from $reading disk-scan image disks" -l image -r -F -d 'A disk or pool image'
complete -c $c -n "__fish_seen_subcommand_from $reading disk-scan image disks" -l raid -x -a 'auto: level= layout= stripe= offset=' -d 'A RAID set'
complete -c $c -n "__fish_seen_subcommand_from $reading disk-scan image" -l pool -x -a '(__kestrel_nss_names pool)' -d 'The pool'
complete -c $c -n "__fish_seen_subcommand_from $reading" -l volume -x -a '(__kestrel_nss_names volume)' -d 'The volume'
complete -c $c -n "__fish_seen_subcommand_from $reading" -l pool-scan -d 'Scan the whole pool'
complete -c $c -n "__fish_seen_subcommand_from $reading" -l disk-scan -d 'Find pools by their partition headers'
complete -c $c -n "__fish_seen_subcommand_from $reading" -l scan-file -r -F -d 'A saved scan'

# Masks and maps
complete -c $c -n "__fish_seen_subcommand_from $masked" -l mask -x -d 'Only files of these types'
complete -c $c -n "__fish_seen_subcommand_from $masked" -l deleted-only -d 'Only deleted entries'
complete -c $c -n "__fish_seen_subcommand_from $masked" -l size-from -x -d 'At least N bytes'
complete -c $c -n "__fish_seen_subcommand_from $masked" -l size-upto -x -d 'At most N bytes'
complete -c $c -n "__fish_seen_subcommand_from ls recover report image" -l map -r -F -d 'The map of unread areas'
complete -c $c -n "__fish_seen_subcommand_from ls" -l damaged-only -d 'Only the files the map marks'
complete -c $c -n "__fish_seen_subcommand_from disks drives ls find disk-scan raid-detect" -l json -d 'JSON output'

# recover
complete -c $c -n "__fish_seen_subcommand_from recover report" -l to -x -a '(__fish_complete_directories)' -d 'The folder'
complete -c $c -n "__fish_seen_subcommand_from recover" -l path -x -d 'An entry to recover'
complete -c $c -n "__fish_seen_subcommand_from recover" -l include -x -d 'Only files of this type'
complete -c $c -n "__fish_seen_subcommand_from recover" -l exclude -x -d 'Not files of this type'
complete -c $c -n "__fish_seen_subcommand_from recover" -l on-conflict -x -a 'overwrite rename skip' -d 'When a file is there'
complete -c $c -n "__fish_seen_subcommand_from recover" -l report -x -a '(__fish_complete_directories)' -d 'Write the report here'
complete -c $c -n "__fish_seen_subcommand_from recover" -l md5 -d 'With --report, the MD5 of every file as well'
complete -c $c -n "__fish_seen_subcommand_from recover" -l ftp -x -a '(__fish_print_hostnames)' -d 'An FTP server'
complete -c $c -n "__fish_seen_subcommand_from recover" -l ftp-user -x -d 'The user name'
complete -c $c -n "__fish_seen_subcommand_from recover" -l ftp-passive -d 'Passive mode'
complete -c $c -n "__fish_seen_subcommand_from recover" -l ftp-tls -d 'Refuse a server without TLS'
complete -c $c -n "__fish_seen_subcommand_from recover" -l ftp-ca -r -F -d 'Trust these certificates'

# cat, hexdump, save-scan, mount
complete -c $c -n "__fish_seen_subcommand_from cat hexdump" -l path -x -d 'The file'
complete -c $c -n "__fish_seen_subcommand_from cat hexdump" -l key -x -d 'The file key'
complete -c $c -n "__fish_seen_subcommand_from hexdump" -l page -x -d 'The page of 256 bytes'
complete -c $c -n "__fish_seen_subcommand_from hexdump" -l offset -x -d 'The first byte'
complete -c $c -n "__fish_seen_subcommand_from hexdump" -l length -x -d 'The bytes of the range'
complete -c $c -n "__fish_seen_subcommand_from save-scan image" -l to -r -F -d 'The file to write'
complete -c $c -n "__fish_seen_subcommand_from save-scan" -l overwrite -d 'Replace a file that is there'
complete -c $c -n "__fish_seen_subcommand_from mount" -l foreground -d 'Stay in the foreground'
complete -c $c -n "__fish_seen_subcommand_from mount" -l allow-other -d 'Let every user read the files'
complete -c $c -n "__fish_seen_subcommand_from mount" -a '(__fish_complete_directories)'
complete -c $c -n "__fish_seen_subcommand_from raid-detect" -F -a 'missing disk:'

# image and clone
complete -c $c -n "__fish_seen_subcommand_from image" -l no-hash -d 'Leave out the SHA-256'
complete -c $c -n "__fish_seen_subcommand_from image" -l rescue -d 'Rescue a failing disk'
complete -c $c -n "__fish_seen_subcommand_from image" -l retries -x -d 'Passes over the bad sectors'
complete -c $c -n "__fish_seen_subcommand_from image" -l format -x -a 'raw e01' -d 'The container'
complete -c $c -n "__fish_seen_subcommand_from image" -l case-number -x -d 'E01: case number'
complete -c $c -n "__fish_seen_subcommand_from image" -l evidence-number -x -d 'E01: evidence number'
complete -c $c -n "__fish_seen_subcommand_from image" -l examiner -x -d 'E01: examiner'
complete -c $c -n "__fish_seen_subcommand_from image" -l description -x -d 'E01: description'
complete -c $c -n "__fish_seen_subcommand_from image" -l notes -x -d 'E01: notes'
complete -c $c -n "__fish_seen_subcommand_from image" -l compression -x -a 'none fast best' -d 'E01: compression'
complete -c $c -n "__fish_seen_subcommand_from image" -l segment-size -x -d 'E01: segment size'
complete -c $c -n "__fish_seen_subcommand_from clone" -l from -x -a '(__kestrel_nss_disks)' -d 'The source disk'
complete -c $c -n "__fish_seen_subcommand_from clone" -l to -x -a '(__kestrel_nss_disks)' -d 'The destination disk'
complete -c $c -n "__fish_seen_subcommand_from clone" -l yes -d 'Confirm the overwrite'
