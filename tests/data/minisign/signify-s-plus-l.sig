untrusted comment: verify with signify.pub
RWQ8yrDSb9Lp0cqpL916YLVxQ/Al+Ft/Zy2Kn1gjk2z8i0CL/na/sK2wAnWwyLT+Pw/4hyXOYsvlaLWupfZCDKKivnqUaJYDvBg=
